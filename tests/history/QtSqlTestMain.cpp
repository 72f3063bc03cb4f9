// SPDX-License-Identifier: GPL-3.0-or-later
// The main of the archive's test programs: Qt SQL loads its drivers as plugins, which needs an
// application object.
#include <QCoreApplication>

#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    QCoreApplication application(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
