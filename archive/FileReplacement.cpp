// SPDX-License-Identifier: GPL-3.0-or-later
#include "FileReplacement.h"

#include "Files.h"
#include "Process.h"
#include "Utf8Path.h"

#include <atomic>
#include <cerrno>
#include <cstring>
#include <system_error>

namespace kolmaris {
namespace fs = std::filesystem;
namespace {

// Unique per process and file, hidden, and recognisable as unfinished.
fs::path TemporaryBeside(const fs::path& target)
{
    static std::atomic<unsigned> serial = 0;
    fs::path name = ".";
    name += target.filename();
    name += "." + std::to_string(platform::ProcessId()) + "-" + std::to_string(++serial) + ".part";
    return target.parent_path() / name;
}

}  // namespace

FileReplacement::~FileReplacement()
{
    Discard();
}

bool FileReplacement::Fail(const std::string& what, const fs::path& file, int errorNumber)
{
    error_ = what + " " + Utf8FromPath(file) + (errorNumber != 0 ? std::string(": ") + std::strerror(errorNumber) : "");
    Discard();
    return false;
}

void FileReplacement::Discard()
{
    if (out_.is_open())
        out_.close();
    if (!temporary_.empty()) {
        std::error_code ignored;
        fs::remove(temporary_, ignored);
        temporary_.clear();
    }
}

bool FileReplacement::Open(const fs::path& target, bool append)
{
    Discard();
    target_ = target;
    std::error_code error;
    // Writing through a link replaces the file it names, not the link.
    if (fs::is_symlink(fs::symlink_status(target, error))) {
        target_ = fs::weakly_canonical(target, error);
        if (error)
            return Fail("cannot resolve", target, error.value());
    }
    const auto status = fs::status(target_, error);
    // A device or pipe cannot be replaced; it is written in place.
    const bool special = fs::exists(status) && !fs::is_regular_file(status);
    temporary_ = special ? fs::path() : TemporaryBeside(target_);
    if (!special && append && fs::exists(status) &&
        !fs::copy_file(target_, temporary_, fs::copy_options::overwrite_existing, error))
        return Fail("cannot copy the old contents of", target_, error.value());
    errno = 0;
    out_.open(special ? target_ : temporary_, std::ios::out | std::ios::binary | (append ? std::ios::app : std::ios::trunc));
    if (!out_.is_open())
        return Fail("cannot create", target_, errno);
    return true;
}

bool FileReplacement::Commit()
{
    if (!out_.is_open())
        return Fail("cannot write", target_, 0);
    if (out_.good()) {
        errno = 0;
        out_.flush();
    }
    const bool written = out_.good();
    const int writeErrno = errno;
    out_.close();
    if (!written || out_.fail())
        return Fail("cannot write", target_, writeErrno);
    if (temporary_.empty())
        return true;
    if (const int syncError = platform::SyncFile(temporary_))
        return Fail("cannot write", target_, syncError);
    std::error_code error;
    if (const auto status = fs::status(target_, error); !error && fs::exists(status))
        fs::permissions(temporary_, status.permissions(), error);
    if (const int replaceError = platform::ReplaceWith(temporary_, target_))
        return Fail("cannot replace", target_, replaceError);
    temporary_.clear();
    return true;
}

bool ReplaceFile(const fs::path& target, bool append, const std::function<void(std::ostream&)>& write,
                 std::string& error)
{
    FileReplacement file;
    if (!file.Open(target, append)) {
        error = file.Error();
        return false;
    }
    write(file.Out());
    if (!file.Commit()) {
        error = file.Error();
        return false;
    }
    return true;
}

}  // namespace kolmaris
