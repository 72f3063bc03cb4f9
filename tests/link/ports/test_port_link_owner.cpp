// A link whose owner was killed is stale: readers ignore it, the next owner replaces it.
#include "PortDirectory.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <fstream>

#include <sys/wait.h>
#include <unistd.h>

namespace kolmaris {
namespace fs = std::filesystem;

TEST(PortLinkOwner, AKilledOwnersLinkIsIgnoredAndReplaced)
{
    std::string pattern = (fs::temp_directory_path() / "kolmaris-owner-XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    const fs::path root = pattern, ports = root / "ports", first = root / "first", second = root / "second";
    std::ofstream(first) << "";
    std::ofstream(second) << "";
    int claimed[2];
    ASSERT_EQ(::pipe(claimed), 0);
    const pid_t child = ::fork();
    if (child == 0) {
        const auto owner = PortLinkOwner::Claim(97, first, ports);
        (void)!::write(claimed[1], owner ? "y" : "n", 1);
        ::pause();
    }
    char answer = 0;
    ASSERT_TRUE(::read(claimed[0], &answer, 1) == 1 && answer == 'y');
    EXPECT_EQ(DevicePathForPort(97, ports), first);
    EXPECT_EQ(FirstFreePortNumber(ports), 98);
    EXPECT_EQ(PortLinkOwner::Claim(97, second, ports), nullptr);
    EXPECT_FALSE(RegisterPortLink(97, second, ports));

    ::kill(child, SIGKILL);
    ::waitpid(child, nullptr, 0);
    EXPECT_TRUE(fs::is_symlink(ports / "COM97"));  // left behind, still naming an existing device
    EXPECT_EQ(DevicePathForPort(97, ports), fs::path());
    EXPECT_EQ(FirstFreePortNumber(ports), 97);
    for (const PortEntry& entry : ListPorts(ports))
        EXPECT_NE(entry.number, 97);
    {
        const auto owner = PortLinkOwner::Claim(97, second, ports);
        EXPECT_TRUE(owner && DevicePathForPort(97, ports) == second);
    }
    EXPECT_TRUE(fs::is_empty(ports));
    fs::remove_all(root);
}

}  // namespace kolmaris
