#include "TabFile.h"

#include <cerrno>
#include <cstring>
#include <fstream>

namespace kolmaris::cli {

bool WriteTabFile(const std::filesystem::path& file, const std::function<void(std::ostream&)>& write,
                  std::string& error)
{
    errno = 0;
    std::ofstream out(file, std::ios::out | std::ios::binary | std::ios::trunc);
    if (!out.is_open()) {
        error = "cannot create " + file.string() + (errno ? std::string(": ") + std::strerror(errno) : "");
        return false;
    }
    write(out);
    const bool written = out.good();
    out.close();
    if (!written || out.fail()) {
        error = "cannot write " + file.string() + (errno ? std::string(": ") + std::strerror(errno) : "");
        return false;
    }
    return true;
}

}  // namespace kolmaris::cli
