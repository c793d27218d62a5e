// The opener of the libraries the game loads only when it needs them: a
// library that is missing, or lacks a function the game calls, is no
// library at all (the game then runs without that part), and each is
// opened once whichever thread asks first.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstring>
#include <thread>
#include <type_traits>
#include <vector>

#include "music/runtime_library.h"

// Declared, defined nowhere: no library has it.
extern "C" int tombora_function_no_library_has(int);

namespace {

#define PRESENT_FUNCTIONS(X) \
    X(getpid)                \
    X(strlen)

struct Present {
    PRESENT_FUNCTIONS(TOMBORA_FUNCTION_POINTER)
};

// The C library, asked for a function it does not have.
#define LACKING_FUNCTIONS(X) \
    X(getpid)                \
    X(tombora_function_no_library_has)

struct Lacking {
    LACKING_FUNCTIONS(TOMBORA_FUNCTION_POINTER)
};

struct Missing {
    PRESENT_FUNCTIONS(TOMBORA_FUNCTION_POINTER)
};

template <typename Library>
auto filler(int& calls)
{
    return [&calls](void* handle, Library& library) {
        ++calls;
        bool complete = true;
        if constexpr (std::is_same_v<Library, Lacking>) {
            LACKING_FUNCTIONS(TOMBORA_LOOK_UP)
        } else {
            PRESENT_FUNCTIONS(TOMBORA_LOOK_UP)
        }
        return complete;
    };
}

TEST(RuntimeLibraryTest, OpensACompleteLibraryOnceAndRefusesAnIncompleteOrMissingOne)
{
    int present_calls = 0;
    std::vector<const Present*> seen(4);
    std::vector<std::thread> askers;
    for (auto& library : seen)
        askers.emplace_back([&] { library = open_once<Present>("libc.so.6", filler<Present>(present_calls)); });
    for (auto& asker : askers)
        asker.join();
    ASSERT_NE(seen[0], nullptr);
    for (const Present* library : seen)
        EXPECT_EQ(library, seen[0]);
    EXPECT_EQ(present_calls, 1);
    EXPECT_EQ(seen[0]->getpid(), getpid());
    EXPECT_EQ(seen[0]->strlen("とんぼら"), std::strlen("とんぼら"));

    int lacking_calls = 0;
    EXPECT_EQ(open_once<Lacking>("libc.so.6", filler<Lacking>(lacking_calls)), nullptr);
    EXPECT_EQ(open_once<Lacking>("libc.so.6", filler<Lacking>(lacking_calls)), nullptr);
    EXPECT_EQ(lacking_calls, 1) << "a library found wanting is not looked through again";

    int missing_calls = 0;
    EXPECT_EQ(open_once<Missing>("libtombora-no-such-library.so.1", filler<Missing>(missing_calls)), nullptr);
    EXPECT_EQ(missing_calls, 0);
}

}  // namespace
