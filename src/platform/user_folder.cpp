#include "platform/user_folder.h"

#include <cstdlib>
#include <system_error>
#include <vector>

#ifdef _WIN32
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#include <shlobj.h>
#else
#include <pwd.h>
#include <unistd.h>
#endif

#ifndef DELVER_INSTALLED_DATA
// The game data's place relative to the installed program's folder.
#define DELVER_INSTALLED_DATA "../share/delver/game"
#endif

namespace delver {

namespace fs = std::filesystem;

fs::path InstalledGameData(const fs::path& programPath) {
    if (programPath.empty() || !programPath.has_parent_path()) return {};
    std::error_code ec;
    const fs::path data = (programPath.parent_path() / DELVER_INSTALLED_DATA).lexically_normal();
    if (!fs::is_regular_file(data / "map" / "1.overworld", ec)) return {};
    return data;
}

fs::path RunningProgramPath() {
#ifdef _WIN32
    // The path may be longer than MAX_PATH; a full buffer means it was cut.
    std::wstring buffer(MAX_PATH, L'\0');
    while (buffer.size() <= 32768) {
        const DWORD length = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (length == 0) return {};
        if (length < buffer.size()) {
            buffer.resize(length);
            return fs::path(buffer);
        }
        buffer.resize(buffer.size() * 2);
    }
    return {};
#else
    std::error_code ec;
    fs::path p = fs::read_symlink("/proc/self/exe", ec);
    return ec ? fs::path() : p;
#endif
}

fs::path UserGameFolder(const std::string& xdgDataHome, const std::string& home) {
    if (!xdgDataHome.empty() && fs::path(xdgDataHome).is_absolute()) return fs::path(xdgDataHome) / "delver";
    if (!home.empty() && fs::path(home).is_absolute()) return fs::path(home) / ".local" / "share" / "delver";
    return {};
}

fs::path UserGameFolderFromEnvironment() {
#ifdef _WIN32
    PWSTR roaming = nullptr;
    fs::path folder;
    if (SUCCEEDED(SHGetKnownFolderPath(FOLDERID_RoamingAppData, KF_FLAG_CREATE, nullptr, &roaming)) && roaming)
        folder = fs::path(roaming) / "delver";
    CoTaskMemFree(roaming);
    return folder;
#else
    const char* xdg = std::getenv("XDG_DATA_HOME");
    const char* home = std::getenv("HOME");
    std::string homeText = home ? home : "";
    if (homeText.empty()) {
        if (const passwd* account = getpwuid(getuid()); account && account->pw_dir) homeText = account->pw_dir;
    }
    return UserGameFolder(xdg ? xdg : "", homeText);
#endif
}

namespace {

// Copies one file under a temporary name, makes it the player's to write,
// and renames it into place.
bool CopyIn(const fs::path& from, const fs::path& to, std::string* error) {
    std::error_code ec;
    fs::path part = to;
    part += ".part";
    fs::remove(part, ec);
    if (!fs::copy_file(from, part, fs::copy_options::overwrite_existing, ec)) {
        if (error) *error = "cannot copy '" + from.string() + "' to '" + part.string() + "': " + ec.message();
        return false;
    }
    fs::permissions(part,
                    fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read | fs::perms::others_read,
                    fs::perm_options::replace, ec);
    if (!ec) fs::rename(part, to, ec);
    if (ec) {
        if (error) *error = "cannot put '" + to.string() + "' in place: " + ec.message();
        std::error_code ignored;
        fs::remove(part, ignored);
        return false;
    }
    return true;
}

}  // namespace

bool PrepareUserGameFolder(const fs::path& installedData, const fs::path& userFolder, std::string* error) {
    std::error_code ec;
    fs::create_directories(userFolder, ec);
    if (ec || !fs::is_directory(userFolder, ec)) {
        if (error)
            *error = "cannot make the game folder '" + userFolder.string() + "'" + (ec ? ": " + ec.message() : "");
        return false;
    }
    fs::recursive_directory_iterator it(installedData, ec), end;
    if (ec) {
        if (error) *error = "cannot read the installed game data '" + installedData.string() + "': " + ec.message();
        return false;
    }
    for (; it != end; it.increment(ec)) {
        if (ec) break;
        const fs::path relative = it->path().lexically_relative(installedData);
        const fs::path target = userFolder / relative;
        if (it->is_directory(ec)) {
            fs::create_directories(target, ec);
            if (ec) {
                if (error) *error = "cannot make the folder '" + target.string() + "': " + ec.message();
                return false;
            }
        } else if (it->is_regular_file(ec)) {
            // Present in any form (even a folder or a link the player put
            // there): left as it is.
            std::error_code statusError;
            if (fs::exists(fs::symlink_status(target, statusError))) continue;
            if (!CopyIn(it->path(), target, error)) return false;
        }
    }
    if (ec) {
        if (error) *error = "cannot read the installed game data '" + installedData.string() + "': " + ec.message();
        return false;
    }
    return true;
}

}  // namespace delver
