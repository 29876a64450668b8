#include "desktop/Settings.h"

#include "framework/Exception.h"
#include "desktop/Log.h"
#include "services/Translation.h"
#include "util/Paths.h"
#include "util/Text.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>

#include <cstdio>
#include <optional>

namespace {

constexpr const char* TriggerKey = "Trigger";
constexpr const char* StartAtLoginKey = "StartAtLogin";
constexpr const char* DesktopShortcutKey = "DesktopShortcut";
constexpr const char* OverlayHintsDoneKey = "OverlayHintsDone";
constexpr const char* LiveReadingKey = "LiveReading";
constexpr const char* LiveAccessibilityKey = "LiveAccessibility";
constexpr const char* AccessibilitySwitchedOnKey = "AccessibilitySwitchedOn";

// Larger is no settings file of this program.
constexpr qint64 MaxSettingsBytes = 64 * 1024;

// The file a save writes: the one a link names (as editors do, so that a settings file kept
// elsewhere and linked here stays linked), else path itself.
QString WrittenFile(const QString& path)
{
    const QFileInfo info(path);
    if (!info.isSymLink()) {
        return path;
    }
    const QString target = info.canonicalFilePath();
    return target.isEmpty() ? info.symLinkTarget() : target;
}
constexpr const char* KeyboardShapeKey = "KeyboardShape";

// A boolean as QSettings writes it; nullopt for anything else.
std::optional<bool> ReadBool(const QSettings& file, const char* key, bool fallback)
{
    if (!file.contains(key)) {
        return fallback;
    }
    const QString text = file.value(key).toString();
    if (text == QStringLiteral("true")) {
        return true;
    }
    if (text == QStringLiteral("false")) {
        return false;
    }
    return std::nullopt;
}

// The keyboard shape as the file writes it: "layout", "ANSI" or "ISO"; nullopt for anything else.
std::optional<std::optional<platform::KeyboardShape>> ReadShape(const QSettings& file)
{
    const QString text = file.value(KeyboardShapeKey, QStringLiteral("layout")).toString();
    if (text == QStringLiteral("layout")) {
        return std::optional<platform::KeyboardShape>();
    }
    if (text == QStringLiteral("ANSI")) {
        return platform::KeyboardShape::Ansi;
    }
    if (text == QStringLiteral("ISO")) {
        return platform::KeyboardShape::Iso;
    }
    return std::nullopt;
}

QString ShapeText(const std::optional<platform::KeyboardShape>& shape)
{
    if (!shape) {
        return QStringLiteral("layout");
    }
    return *shape == platform::KeyboardShape::Ansi ? QStringLiteral("ANSI") : QStringLiteral("ISO");
}

} // namespace

CSettings::CSettings(platform::Platform& platform)
    : CSettings(platform, JoinPath(platform.GetSpecialFolder(platform::SpecialFolderKind::Config),
                                   "quorvel", "quorvel.conf"))
{
}

CSettings::CSettings(platform::Platform& platform, std::string path)
    : platform_(platform), path_(std::move(path))
{
}

void CSettings::Load()
{
    values = SettingsValues();
    overlayHintsDone = 0;
    accessibilitySwitchedOn = false;
    damaged_ = false;
    const QString path = QString::fromStdString(path_);
    const QFileInfo info(path);
    existed_ = info.exists();
    if (!existed_) {
        return;
    }
    // Only a regular file of a sensible size is read: a pipe would keep the start waiting for
    // a writer, a device for ever.
    if (!info.isFile() || info.size() > MaxSettingsBytes) {
        damaged_ = true;
        qCWarning(lcDesktop) << "the settings file" << path
                             << "is not a regular file of settings: the defaults are used";
        return;
    }
    const QSettings file(path, QSettings::IniFormat);
    SettingsValues read;
    bool valid = file.status() == QSettings::NoError && QFileInfo(path).isReadable();
    if (valid && file.contains(TriggerKey)) {
        const auto trigger =
            ParseAccelerator(platform_, file.value(TriggerKey).toString().toStdString());
        valid = trigger.has_value();
        read.trigger = trigger.value_or(read.trigger);
    }
    // A file that is not empty yet names none of the settings is not one this program wrote.
    const bool known = file.contains(TriggerKey) || file.contains(StartAtLoginKey) ||
                       file.contains(DesktopShortcutKey) || file.contains(KeyboardShapeKey) ||
                       file.contains(LiveReadingKey);
    valid = valid && (known || QFileInfo(path).size() == 0);
    const auto startAtLogin = ReadBool(file, StartAtLoginKey, read.startAtLogin);
    const auto desktopShortcut = ReadBool(file, DesktopShortcutKey, read.desktopShortcut);
    const auto keyboardShape = ReadShape(file);
    const auto liveReading = ReadBool(file, LiveReadingKey, read.liveReading);
    const auto liveAccessibility = ReadBool(file, LiveAccessibilityKey, read.liveAccessibility);
    valid = valid && startAtLogin && desktopShortcut && keyboardShape && liveReading &&
            liveAccessibility;
    if (!valid) {
        damaged_ = true;
        qCWarning(lcDesktop) << "the settings file" << path
                             << "is damaged: the defaults are used, and the file is kept until "
                                "the settings are saved";
        return;
    }
    read.startAtLogin = *startAtLogin;
    read.desktopShortcut = *desktopShortcut;
    read.keyboardShape = *keyboardShape;
    read.liveReading = *liveReading;
    read.liveAccessibility = *liveAccessibility;
    values = read;
    // Nothing is lost with a value that makes no sense: the hint is only shown again.
    overlayHintsDone = file.value(OverlayHintsDoneKey).toUInt();
    // Anything but what a save writes leaves the user's accessibility alone.
    accessibilitySwitchedOn = ReadBool(file, AccessibilitySwitchedOnKey, false).value_or(false);
}

void CSettings::Save()
{
    const QString path = WrittenFile(QString::fromStdString(path_));
    const QString temporary = path + QStringLiteral(".new");
    auto fail = [&] {
        QFile::remove(temporary);
        throw Exception(FormatText(Translate("Не удалось сохранить настройки в файл %s."), path_));
    };
    const QFileInfo existing(path);
    // What is no regular file is no file of ours to replace.
    if (path_.empty() || (existing.exists() && !existing.isFile()) ||
        !QDir().mkpath(existing.absolutePath())) {
        fail();
    }
    // A temporary file left by a crash would be merged into the new one.
    QFile::remove(temporary);
    {
        QSettings file(temporary, QSettings::IniFormat);
        file.setValue(TriggerKey, QString::fromStdString(AcceleratorOf(platform_, values.trigger)));
        file.setValue(StartAtLoginKey, values.startAtLogin);
        file.setValue(DesktopShortcutKey, values.desktopShortcut);
        file.setValue(OverlayHintsDoneKey, overlayHintsDone);
        file.setValue(KeyboardShapeKey, ShapeText(values.keyboardShape));
        file.setValue(LiveReadingKey, values.liveReading);
        file.setValue(LiveAccessibilityKey, values.liveAccessibility);
        file.setValue(AccessibilitySwitchedOnKey, accessibilitySwitchedOn);
        file.sync();
        if (file.status() != QSettings::NoError) {
            fail();
        }
    }
    if (std::rename(temporary.toLocal8Bit().constData(), path.toLocal8Bit().constData()) != 0) {
        fail();
    }
    existed_ = true;
    damaged_ = false;
}
