#pragma once
// What a test needs from the machine it runs on, and how it says it skipped.
#include <gtest/gtest.h>

#include <string>
#include <sys/stat.h>
#include <unistd.h>

#include "support/run_program.h"

inline bool IsRoot()
{
    return geteuid() == 0;
}

inline bool Have(const std::string& tool)
{
    return RunShell("command -v " + tool + " >/dev/null", "/").ExitStatus == 0;
}

// `why`: what root is needed for ("to mount file systems").
#define REQUIRE_ROOT(why)                                                    \
    if (!IsRoot())                                                           \
    GTEST_SKIP() << "skipped: needs root " why
#define REQUIRE_TOOL(tool)                                                   \
    if (!Have(tool))                                                         \
    GTEST_SKIP() << "skipped: " tool " is not installed"

// The file's own status, links not followed.
inline struct stat StatOf(const std::string& path)
{
    struct stat st = {};
    EXPECT_EQ(lstat(path.c_str(), &st), 0) << path;
    return st;
}
