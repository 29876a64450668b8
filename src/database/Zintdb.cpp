#include "database/Zintdb.h"

#include "database/Udmregistry.h"
#include "framework/Exception.h"
#include "shell/Gettext.h"
#include "util/Mylib.h"

#include <pugixml.hpp>

#include <charconv>
#include <cstring>
#include <limits>

namespace {

// The attribute as a decimal integer; names the element's position and the attribute otherwise.
int ReadInteger(const pugi::xml_node& element, const char* name, std::size_t position)
{
    const char* text = element.attribute(name).value();
    const char* end = text + std::strlen(text);
    int value = 0;
    const auto [rest, error] = std::from_chars(text, end, value);
    if (text == end || error != std::errc() || rest != end) {
        throw Exception(FormatText(
            Translate("Элемент клавиши №%s в файле клавиатуры: атрибут \"%s\" отсутствует или не "
                      "является целым числом."),
            std::to_string(position), name));
    }
    return value;
}

std::unique_ptr<CKey> LoadKey(const pugi::xml_node& element, std::size_t position,
                              const TFont& keyFont, const TFont& actionFont, QWidget* parent)
{
    const auto code = static_cast<std::uint16_t>(ReadInteger(element, "KeyCode", position));
    const int left = ReadInteger(element, "Left", position);
    const int top = ReadInteger(element, "Top", position);
    const int width = ReadInteger(element, "Width", position);
    const int height = ReadInteger(element, "Height", position);

    auto image = std::make_unique<TKeyImage>();
    const double scale = DesignScale(parent);
    image->setGeometry(qRound(left * scale), qRound(top * scale), qRound(width * scale),
                       qRound(height * scale));
    image->KeyFont = keyFont;
    image->ActionFont = actionFont;
    if (parent) {
        image->setParent(parent);
        image->setVisible(true);
    }

    auto key = std::make_unique<CKey>();
    const std::uint16_t generic = GetGenericKeyCode(code);
    key->KeyCode = generic ? generic : code;
    key->AdditionalKeyCode = generic ? code : 0;
    image->KeyCode = key->KeyCode;
    key->SetKeyImage(image.release());
    return key;
}

} // namespace

std::unique_ptr<CKeys> CDB::LoadKeys(const std::string& path, const TFont& keyFont,
                                     const TFont& actionFont, QWidget* parent)
{
    pugi::xml_document document;
    if (!document.load_file(path.c_str())) {
        throw Exception(Translate("Не удается загрузить клавиатуру. Файл настроект недоступен или "
                                  "имеет неправильный формат."));
    }
    // Keys already built are destroyed with the list when a later one fails.
    auto keys = std::make_unique<CKeys>();
    std::size_t position = 0;
    for (const pugi::xml_node& element : document.child("keyimages").children()) {
        keys->Add(LoadKey(element, ++position, keyFont, actionFont, parent));
    }
    return keys;
}

// --- CClientDataSetDB -------------------------------------------------------------------------

namespace {

// The file-name part of a stored path; paths written on Windows use backslashes.
std::string FileNameOfPath(const std::string& path)
{
    const auto separator = path.find_last_of("/\\");
    return separator == std::string::npos ? path : path.substr(separator + 1);
}

} // namespace

std::unique_ptr<IShortCuts> CClientDataSetDB::LoadShortCuts(CLoadedPrograms* loadedPrograms)
{
    auto result = std::make_unique<CShortCuts>();
    result->Reserve(lastCount_);
    Programs.clear();
    LoadedPrograms = loadedPrograms;
    emptyIcon_ = QImage();
    ++load_;
    DataSet& programs = *registry_.GetPrograms();
    DataSet& shortcuts = *registry_.GetShortcuts();
    // Fields read the current record: look them up once, not once per record.
    const Field fileName = programs.FieldByName("FileName");
    const ShortcutFields fields{shortcuts};
    for (programs.First(); !programs.Eof(); programs.Next()) {
        auto program = std::make_unique<CProgram>();
        program->FileName = FileNameOfPath(fileName.AsString());
        program->LoadedPrograms = LoadedPrograms;
        // The master link limits the shortcuts to this program's.
        for (shortcuts.First(); !shortcuts.Eof(); shortcuts.Next()) {
            auto shortCut = MakeShortCut(fields);
            shortCut->Programm = program.get();
            result->Add(std::move(shortCut));
        }
        Programs.push_back(std::move(program));
    }
    std::erase_if(icons_, [this](const auto& entry) { return entry.second.load != load_; });
    lastCount_ = result->Items().size();
    return result;
}

CClientDataSetDB::ShortcutFields::ShortcutFields(DataSet& shortcuts)
    : ProgramId(shortcuts.FieldByName("ProgramId")), IsNormal(shortcuts.FieldByName("IsNormal")),
      ShortName(shortcuts.FieldByName("ShortName")),
      Description(shortcuts.FieldByName("Description")),
      KeyCodes(shortcuts.FieldByName("KeyCodes")), Icon(shortcuts.FieldByName("Icon"))
{
}

std::unique_ptr<CShortCut> CClientDataSetDB::MakeShortCut(const ShortcutFields& fields)
{
    auto shortCut = std::make_unique<CShortCut>();
    if (fields.ProgramId.AsInteger() == TdmRegistry::SuperglobalId) {
        shortCut->Type = stSuperGlobal;
    } else {
        shortCut->Type = fields.IsNormal.AsBoolean() ? stNormal : stGlobal;
    }
    shortCut->ActionDescription->ShortName = fields.ShortName.AsString();
    shortCut->ActionDescription->Name = fields.Description.AsString();
    const Blob& keyCodes = fields.KeyCodes.AsBlob();
    shortCut->KeyCodes.LoadFromBuffer(keyCodes.data(), keyCodes.size());
    const Blob& icon = fields.Icon.AsBlob();
    shortCut->ActionDescription->Icon = icon.empty() ? EmptyIcon() : LoadIcon(icon);
    return shortCut;
}

QImage CClientDataSetDB::LoadIcon(const Blob& bytes)
{
    CachedIcon& cached = icons_[bytes.data()];
    if (cached.load == 0 || cached.bytes != bytes) {
        QImage image;
        if (bytes.size() > static_cast<std::size_t>(std::numeric_limits<int>::max()) ||
            !image.loadFromData(bytes.data(), static_cast<int>(bytes.size()))) {
            throw Exception(Translate("Данные значка не являются изображением."));
        }
        cached.bytes = bytes;
        cached.image = image;
    }
    cached.load = load_;
    return cached.image;
}

const QImage& CClientDataSetDB::EmptyIcon()
{
    if (emptyIcon_.isNull()) {
        const std::string path = GetExeFolder() + "empty.bmp";
        if (!emptyIcon_.load(QString::fromStdString(path))) {
            throw Exception(FormatText(Translate("Не удается загрузить изображение %s."), path));
        }
    }
    return emptyIcon_;
}
