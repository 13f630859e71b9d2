// Entry point of the program.
#include <cstdio>

int main() {
    std::fputs("zeltarik: the window is not built yet.\n", stderr);
    return 0;
}
