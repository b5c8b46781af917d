// Takes the single-instance lock in a folder, for the tests that start
// several programs. "try": reports and ends. "hold": reports, then keeps the
// lock until its input closes or it is killed.
#include "platform/qt/SingleInstance.h"

#include <cstdio>
#include <cstring>

int main(int argc, char** argv)
{
    if (argc < 3) return 2;
    platform::SingleInstance lock("Tessel2", argv[1]);
    const bool acquired = lock.TryAcquire();
    std::printf("%s\n", acquired ? "acquired" : "refused");
    std::fflush(stdout);
    if (std::strcmp(argv[2], "hold") == 0 && acquired) {
        int c;
        while ((c = std::getchar()) != EOF) {
        }
    }
    return acquired ? 0 : 1;
}
