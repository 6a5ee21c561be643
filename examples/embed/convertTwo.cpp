// Converts two modules in one process with the romcast library: the first into
// S-records, the second into Intel HEX. Each call is a whole run of the command
// line, with its console text and its status; a failing one leaves nothing
// behind that would change the other.
//
//   convertTwo first.tqx second.tqx
#include <cstdio>

#include <romcast/romcast.h>

int main(int argc, char **argv) {
    if (argc != 3) {
        std::fputs("usage: convertTwo first.tqx second.tqx\n", stderr);
        return 64;
    }
    const int first = romcast::run({"-.", argv[1]}, stdout);
    const int second = romcast::run({"-.", "-H", argv[2]}, stdout);
    std::printf("%s: status %d\n%s: status %d\n", argv[1], first, argv[2], second);
    return first != 0 ? first : second;
}
