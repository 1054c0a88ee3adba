// The x86 tier's one program: the DLL registers itself through its export first, as regsvr32
// would, for the tests that create its classes through COM; the tests leave it registered, and the
// tier's last step removes it.
#include <cstdio>

#include "tests/win/com_server.h"

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    if (fernwick::TheServer().module == nullptr || fernwick::TheServer().registerServer() != S_OK) {
        std::fprintf(stderr, "x86_tier: Fernwick.dll did not load or register\n");
        return 1;
    }
    return RUN_ALL_TESTS();
}
