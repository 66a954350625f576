#pragma once
// Helpers of the launcher tests: Windows paths of build outputs and scratch folders.
#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "platform/core/Win.h"

namespace launcher_test {

// A Unix path of the build as Wine's Z: drive sees it.
inline std::string WinPath(std::string unixPath) {
    for (char& c : unixPath)
        if (c == '/') c = '\\';
    return "Z:" + unixPath;
}

inline std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void WriteFile(const std::string& path, const std::string& data) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(data.data(), static_cast<std::streamsize>(data.size()));
}

inline bool Exists(const std::string& path) {
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// The names in a folder in byte order, "." and ".." left out.
inline std::vector<std::string> FolderEntries(const std::string& folder) {
    std::vector<std::string> names;
    WIN32_FIND_DATAA found;
    HANDLE find = FindFirstFileA((folder + "\\*").c_str(), &found);
    if (find == INVALID_HANDLE_VALUE) return names;
    do {
        std::string name = found.cFileName;
        if (name != "." && name != "..") names.push_back(name);
    } while (FindNextFileA(find, &found));
    FindClose(find);
    std::sort(names.begin(), names.end());
    return names;
}

inline void RemoveTree(const std::string& folder) {
    WIN32_FIND_DATAA found;
    HANDLE find = FindFirstFileA((folder + "\\*").c_str(), &found);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            std::string name = found.cFileName;
            if (name == "." || name == "..") continue;
            std::string path = folder + "\\" + name;
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                RemoveTree(path);
            } else {
                SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
                DeleteFileA(path.c_str());
            }
        } while (FindNextFileA(find, &found));
        FindClose(find);
    }
    RemoveDirectoryA(folder.c_str());
}

// A fresh empty folder under the temporary folder, removed with the object.
class TempFolder {
public:
    explicit TempFolder(const std::string& name) {
        char temp[MAX_PATH] = {};
        GetTempPathA(MAX_PATH, temp);
        path_ = std::string(temp) + name + "-" + std::to_string(GetCurrentProcessId());
        RemoveTree(path_);
        CreateDirectoryA(path_.c_str(), nullptr);
    }
    ~TempFolder() { RemoveTree(path_); }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    const std::string& Path() const { return path_; }
    std::string operator/(const std::string& name) const { return path_ + "\\" + name; }

private:
    std::string path_;
};

} // namespace launcher_test
