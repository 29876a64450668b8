#include "live/ShortcutsUi.h"

#include <QXmlStreamReader>

#include <libintl.h>

#include <sstream>

namespace live {
namespace {

// An object of the window being read: what a shortcut needs of it.
struct UiObject
{
    std::string className;
    std::string title;
    std::string accelerator;
    std::string type;
};

std::string Attribute(const QXmlStreamReader& reader, const char* name)
{
    return reader.attributes().value(QLatin1String(name)).toString().toStdString();
}

void AddShortcut(const UiObject& shortcut, const std::string& groupTitle,
                 std::vector<LiveShortcut>& found)
{
    if (shortcut.title.empty() || (!shortcut.type.empty() && shortcut.type != "accelerator")) {
        return;
    }
    std::vector<std::string> path;
    if (!groupTitle.empty()) {
        path.push_back(groupTitle);
    }
    path.push_back(shortcut.title);
    std::istringstream accelerators(shortcut.accelerator);
    std::string accelerator;
    while (accelerators >> accelerator) {
        if (accelerator.find("...") == std::string::npos &&
            accelerator.find('&') == std::string::npos) {
            found.push_back({accelerator, AccelSyntax::Gtk, path, LiveSource::ShortcutsWindow});
        }
    }
}

class UiReader
{
public:
    UiReader(const std::string& xml, const std::string& defaultDomain)
        : reader_(QByteArray::fromStdString(xml)), domain_(defaultDomain)
    {
    }

    std::vector<LiveShortcut> Read()
    {
        while (!reader_.atEnd()) {
            const QXmlStreamReader::TokenType token = reader_.readNext();
            if (token == QXmlStreamReader::StartElement) {
                Start();
            } else if (token == QXmlStreamReader::EndElement && reader_.name() == u"object") {
                End();
            }
        }
        return reader_.hasError() ? std::vector<LiveShortcut>() : std::move(found_);
    }

private:
    void Start()
    {
        if (reader_.name() == u"interface") {
            const std::string domain = Attribute(reader_, "domain");
            domain_ = domain.empty() ? domain_ : domain;
        } else if (reader_.name() == u"object") {
            objects_.push_back({Attribute(reader_, "class"), {}, {}, {}});
        } else if (reader_.name() == u"property" && !objects_.empty()) {
            Property(objects_.back());
        }
    }

    void Property(UiObject& object)
    {
        const std::string name = Attribute(reader_, "name");
        const bool translatable = Attribute(reader_, "translatable") == "yes";
        const std::string context = Attribute(reader_, "context");
        const std::string value = reader_.readElementText().toStdString();
        if (name == "title") {
            object.title = translatable ? TranslateInDomain(domain_, context, value) : value;
        } else if (name == "accelerator") {
            object.accelerator = value;
        } else if (name == "shortcut-type") {
            object.type = value;
        }
    }

    void End()
    {
        if (objects_.empty()) {
            return;
        }
        const UiObject object = std::move(objects_.back());
        objects_.pop_back();
        if (object.className == "GtkShortcutsShortcut") {
            AddShortcut(object, GroupTitle(), found_);
        }
    }

    std::string GroupTitle() const
    {
        for (auto it = objects_.rbegin(); it != objects_.rend(); ++it) {
            if (it->className == "GtkShortcutsGroup") {
                return it->title;
            }
        }
        return {};
    }

    QXmlStreamReader reader_;
    std::string domain_;
    std::vector<UiObject> objects_;
    std::vector<LiveShortcut> found_;
};

} // namespace

std::vector<LiveShortcut> ReadShortcutsUi(const std::string& xml, const std::string& defaultDomain)
{
    return UiReader(xml, defaultDomain).Read();
}

std::string TranslateInDomain(const std::string& domain, const std::string& context,
                              const std::string& msgid)
{
    if (domain.empty() || msgid.empty()) {
        return msgid;
    }
    // gettext keeps a text with a context as "context\4msgid".
    bind_textdomain_codeset(domain.c_str(), "UTF-8");
    const std::string key = context.empty() ? msgid : context + '\4' + msgid;
    const char* translated = dgettext(domain.c_str(), key.c_str());
    return translated == key.c_str() || key == translated ? msgid : std::string(translated);
}

} // namespace live
