#include "platform/http/http_get.h"

#include <gtest/gtest.h>

int main(int argc, char** argv) {
    const platform::HttpSession http; // before any test server starts a thread
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
