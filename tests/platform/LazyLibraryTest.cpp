#include <gtest/gtest.h>

#include <string.h>

#include <cstdio>
#include <filesystem>
#include <fstream>

#include "platform/LazyLibrary.h"

using korvane::TLazyLibrary;

namespace {

// Found, missing function, missing library, a file that is no library: what
// each gives, and that the reason stays the same when asked again.
TEST(LazyLibrary, FindsWhatIsThereAndSaysWhyNot) {
    const std::string junk = (std::filesystem::temp_directory_path() / "korvane-not-a-library.so").string();
    std::ofstream(junk) << "not a library";
    struct Case {
        std::string library;
        const char* function;
        bool found;
        std::string errorStart;  // empty: no error
    };
    const Case cases[] = {
        {"libc.so.6", "strlen", true, ""},
        {"libc.so.6", "korvane_no_such_function", false, ""},
        {"libkorvane-missing.so.9", "strlen", false, "libkorvane-missing.so.9 cannot be loaded: "},
        {junk, "strlen", false, junk + " cannot be loaded: "},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.library + " " + c.function);
        TLazyLibrary library(c.library);
        EXPECT_EQ(library.Find(c.function) != nullptr, c.found);
        const std::string error = library.Error();
        EXPECT_EQ(error.substr(0, c.errorStart.size()), c.errorStart);
        EXPECT_EQ(error.empty(), c.errorStart.empty()) << error;
        EXPECT_EQ(library.Error(), error);
    }
    std::remove(junk.c_str());
}

// The forwarding functions find the library's own function, of its own type.
TEST(LazyLibrary, TheFunctionFoundIsTheLibrarysOwn) {
    TLazyLibrary libc("libc.so.6");
    KORVANE_LAZY_FUNCTION(libc, strlen);
    ASSERT_NE(real_strlen, nullptr);
    EXPECT_EQ(real_strlen("korvane"), 7u);
}

}  // namespace
