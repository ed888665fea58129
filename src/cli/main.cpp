#include <cstdio>
#include <cstring>

int main(int argc, char** argv) {
    if (argc >= 2 && std::strcmp(argv[1], "--version") == 0) {
        std::puts("korvane-cli 7.1");
        return 0;
    }
    std::fprintf(stderr, "usage: korvane-cli --version\n");
    return 2;
}
