// Loads a built shared library of the system by file name, as the program
// does, and binds its exports by plain name.
#pragma once

#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "support/test_support.h"

namespace libtest {

class Library {
public:
    explicit Library(const std::string& fileName) {
        path_ = testing_support::BinDir() + "/" + fileName;
        handle_ = ::dlopen(path_.c_str(), RTLD_NOW | RTLD_LOCAL);
    }
    ~Library() {
        if (handle_) ::dlclose(handle_);
    }
    Library(const Library&) = delete;
    Library& operator=(const Library&) = delete;

    bool loaded() const { return handle_ != nullptr; }
    const std::string& path() const { return path_; }

    template <typename Fn>
    Fn Get(const char* name) const {
        void* address = handle_ ? ::dlsym(handle_, name) : nullptr;
        EXPECT_NE(address, nullptr) << name << " not exported by " << path_;
        return reinterpret_cast<Fn>(address);
    }

private:
    std::string path_;
    void* handle_ = nullptr;
};

// The export signatures.
using BufferExpandOutFirst = void (*)(std::uint8_t* output, const std::uint8_t* input, std::int32_t size,
                                      std::int32_t biasOrType);
using BufferExpandInFirst = void (*)(const std::uint8_t* input, std::uint8_t* output, std::int32_t size);
using FileExpand4 = std::int32_t (*)(const char* in, const char* out, std::int32_t size, std::int32_t type);
using FileFn3 = std::int32_t (*)(const char* in, const char* out, std::int32_t type);
using BufferCompress = std::int32_t (*)(const std::uint8_t* input, std::uint8_t* output, std::int32_t length);
using DecodeTyped = void (*)(std::int32_t type);

}  // namespace libtest
