// SPDX-License-Identifier: MIT
// Small helpers any test program can use, the one built from core/ and host/ alone included
// (header only): a folder of the test's own, a file's bytes, the error a call raises.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <string>

#include "core/types.h"

namespace stolvane::test {

// A folder made with a unique name below the temporary directory, removed with everything in it
// (its own permissions given back first) when the test ends.
class TempFolder {
public:
    explicit TempFolder(const std::string& prefix) {
        std::string name = (std::filesystem::temp_directory_path() / (prefix + "-XXXXXX")).string();
        if (!::mkdtemp(name.data())) throw std::runtime_error("cannot make a folder for " + prefix);
        m_path = name;
    }
    ~TempFolder() {
        std::error_code ec;
        std::filesystem::permissions(m_path, std::filesystem::perms::owner_all, std::filesystem::perm_options::add, ec);
        std::filesystem::remove_all(m_path, ec);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    const std::filesystem::path& Path() const { return m_path; }

private:
    std::filesystem::path m_path;
};

// A fixture whose every test gets a folder of its own (dir), named after the test suite.
struct FolderTest : ::testing::Test {
    TempFolder folder{std::string("stolvane-") + ::testing::UnitTest::GetInstance()->current_test_info()->test_suite_name()};
    const std::filesystem::path dir = folder.Path();
};

// The whole content of a file, byte for byte (empty when it cannot be read).
inline std::string ReadFile(const std::filesystem::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

// An environment variable set (or, with nullptr, removed) for as long as the object lives, then
// put back as it was: a test that stops early leaves no setting behind for the tests after it.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const char* value) : m_name(name) {
        if (const char* old = std::getenv(name)) {
            m_old = old;
            m_had = true;
        }
        value ? ::setenv(name, value, 1) : ::unsetenv(name);
    }
    ~ScopedEnv() { m_had ? ::setenv(m_name.c_str(), m_old.c_str(), 1) : ::unsetenv(m_name.c_str()); }
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    std::string m_name, m_old;
    bool m_had = false;
};

// The number of the HostError a call raises; 0 when it raises none.
template <class Fn>
int32_t ErrorOf(Fn&& fn) {
    try {
        fn();
    } catch (const HostError& e) {
        return e.number;
    }
    return 0;
}

}  // namespace stolvane::test
