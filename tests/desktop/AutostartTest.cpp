// The autostart entry read back as the desktop reads it, through GLib's key-file parser: whatever
// the executable's path holds, the entry has its own keys only and Exec runs that path.
#include "desktop/Autostart.h"

#include "framework/Exception.h"

#include "FakeEnvironment.h"

#include <gtest/gtest.h>

#include <glib.h>

#include <set>

namespace {

struct EntryAsRead
{
    std::set<std::string> keys;
    std::vector<std::string> execArguments;
    std::string error;
};

EntryAsRead ReadWithGLib(const std::string& path)
{
    EntryAsRead entry;
    GKeyFile* file = g_key_file_new();
    GError* error = nullptr;
    if (!g_key_file_load_from_file(file, path.c_str(), G_KEY_FILE_NONE, &error)) {
        entry.error = error->message;
        g_error_free(error);
        g_key_file_free(file);
        return entry;
    }
    gsize groups = 0;
    gchar** groupNames = g_key_file_get_groups(file, &groups);
    for (gsize group = 0; group < groups; ++group) {
        gchar** keys = g_key_file_get_keys(file, groupNames[group], nullptr, nullptr);
        for (gchar** key = keys; key && *key; ++key) {
            entry.keys.insert(std::string(groupNames[group]) + "/" + *key);
        }
        g_strfreev(keys);
    }
    g_strfreev(groupNames);
    gchar* exec = g_key_file_get_string(file, "Desktop Entry", "Exec", nullptr);
    gint count = 0;
    gchar** arguments = nullptr;
    if (exec && g_shell_parse_argv(exec, &count, &arguments, nullptr)) {
        for (gint i = 0; i < count; ++i) {
            entry.execArguments.emplace_back(arguments[i]);
        }
        g_strfreev(arguments);
    }
    g_free(exec);
    g_key_file_free(file);
    return entry;
}

// The argument with its doubled percent signs as the desktop expands them.
std::string Expanded(std::string argument)
{
    for (std::size_t at = argument.find("%%"); at != std::string::npos;
         at = argument.find("%%", at + 1)) {
        argument.erase(at, 1);
    }
    return argument;
}

} // namespace

TEST(Autostart, GLibReadsBackTheEntryWithExecTheExactPathAndNoInjectedLine)
{
    FakeEnvironment env;
    const std::set<std::string> ownKeys = {"Desktop Entry/Type",
                                           "Desktop Entry/Name",
                                           "Desktop Entry/Comment",
                                           "Desktop Entry/Exec",
                                           "Desktop Entry/Icon",
                                           "Desktop Entry/Terminal",
                                           "Desktop Entry/X-GNOME-Autostart-enabled"};
    for (const std::string executable :
         {"/opt/a\nExec=/usr/bin/xterm -e evil\n[Other]\nKey=1", "/opt/tab\there\rand\\back",
          " /leading space", "/home/me/my \"best\" $apps/100%/quor`vel\\x", "/usr/bin/плеер"}) {
        WriteAutostartEntry(executable);
        const EntryAsRead entry = ReadWithGLib(AutostartPath());
        EXPECT_EQ(entry.error, "") << executable;
        EXPECT_EQ(entry.keys, ownKeys) << executable;
        ASSERT_EQ(entry.execArguments.size(), 1u) << executable;
        EXPECT_EQ(Expanded(entry.execArguments[0]), executable);
    }
}

TEST(Autostart, APathThatIsNotUtf8IsRefusedAndNothingWritten)
{
    FakeEnvironment env;
    EXPECT_THROW(WriteAutostartEntry("/opt/caf\xE9/quorvel"), Exception);
    EXPECT_FALSE(HasAutostartEntry());
}
