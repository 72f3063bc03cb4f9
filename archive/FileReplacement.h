// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Writing a file without ever destroying its old contents: the new data go to a file beside
// it, which replaces the old one only when it has been written, flushed and synced in full.
// An append copies the old contents first, so a failed append also leaves the old file as it was.
// A target that is a device or a pipe is written in place.

#include <filesystem>
#include <fstream>
#include <functional>
#include <ostream>
#include <string>

namespace kolmaris {

class FileReplacement {
public:
    FileReplacement() = default;
    // Removes the file beside the target unless Commit succeeded.
    ~FileReplacement();
    FileReplacement(const FileReplacement&) = delete;
    FileReplacement& operator=(const FileReplacement&) = delete;

    // Starts the file beside `target` (binary); with `append`, holding the target's old contents.
    // False, with `Error()` set, when it cannot be created or the old contents cannot be copied.
    bool Open(const std::filesystem::path& target, bool append);
    std::ostream& Out() { return out_; }
    // Closes and syncs the new file and puts it in the target's place (keeping the target's
    // permissions). False, the target untouched and the new file removed, when any write failed.
    bool Commit();
    // The failure as one line: what could not be done to which file, and why.
    const std::string& Error() const { return error_; }

private:
    bool Fail(const std::string& what, const std::filesystem::path& file, int errorNumber);
    void Discard();

    std::filesystem::path target_;
    std::filesystem::path temporary_;  // empty when writing in place
    std::ofstream out_;
    std::string error_;
};

// One whole replacement: Open, `write`, Commit. False with `error` set when any step failed.
bool ReplaceFile(const std::filesystem::path& target, bool append, const std::function<void(std::ostream&)>& write,
                 std::string& error);

}  // namespace kolmaris
