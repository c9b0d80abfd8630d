// A new, empty folder for one test, under the test framework's temporary
// folder, removed with everything in it when the test is done.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <system_error>

struct TTempFolder {
    std::string Path;  // with its trailing separator

    TTempFolder() {
        const std::filesystem::path Base = ::testing::TempDir();
        uint64_t Seed = uint64_t(std::chrono::steady_clock::now().time_since_epoch().count());
        for (int Attempt = 0; Attempt < 100; ++Attempt) {
            Seed = Seed * 6364136223846793005u + 1442695040888963407u;
            const std::filesystem::path Folder = Base / ("pex-test-" + std::to_string(Seed >> 40));
            std::error_code Error;
            if (std::filesystem::create_directory(Folder, Error)) {
                Path = Folder.string() + char(std::filesystem::path::preferred_separator);
                return;
            }
        }
        throw std::runtime_error("no temporary folder could be made under " + Base.string());
    }
    ~TTempFolder() {
        std::error_code Ignored;
        // A folder a test made unwritable is made writable again first.
        for (const auto& Entry : std::filesystem::recursive_directory_iterator(Path, Ignored))
            if (Entry.is_directory(Ignored))
                std::filesystem::permissions(Entry.path(), std::filesystem::perms::owner_all,
                                             std::filesystem::perm_options::add, Ignored);
        std::filesystem::remove_all(Path, Ignored);
    }
    TTempFolder(const TTempFolder&) = delete;
    TTempFolder& operator=(const TTempFolder&) = delete;

    std::string File(const std::string& Name) const { return Path + Name; }
};
