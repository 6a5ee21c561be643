// The fuzzing entry: the whole converter run over one input file, whose first
// byte chooses a fixed option set and whose other bytes are the load module.
// Every run ends the process the way romcast ends it (any exit status is an
// expected outcome); only a crash, a sanitizer report or a hang is a finding.
//
//   romcast_fuzz <input>     (run it in a scratch directory: it writes
//                             fuzz.tqx there, and romcast its outputs)
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include <romcast/romcast.h>

namespace {

// The option sets; the input's first byte modulo their number picks one.
// "-." keeps the console quiet, so a run costs little besides its work.
const std::vector<const char *> optionSets[] = {
    {},
    {"-H"},
    {"-B"},
    {"-L", "-F", "A5"},
    {"-H", "-A", "1000:1FFFF", "-F", "0:800:20000"},
    {"-ID#00112233445566", "-protect1"},
    {"+debug"},
    {"-N"},
    {"-TQ8", "-ID"},
    {"-B", "-A", "0F0000"},
};
constexpr std::size_t optionSetCount = sizeof optionSets / sizeof optionSets[0];

const char moduleName[] = "fuzz.tqx";

}  // namespace

int main(int argc, char **argv) {
    if (argc != 2) {
        std::fputs("usage: romcast_fuzz <input>\n", stderr);
        return 64;
    }
    std::FILE *in = std::fopen(argv[1], "rb");
    if (in == nullptr) return 64;
    std::vector<unsigned char> bytes;
    for (int c; (c = std::getc(in)) != EOF;) bytes.push_back(static_cast<unsigned char>(c));
    std::fclose(in);
    if (bytes.empty()) return 0;

    std::FILE *module = std::fopen(moduleName, "wb");
    if (module == nullptr) return 64;
    std::fwrite(bytes.data() + 1, 1, bytes.size() - 1, module);
    if (std::fclose(module) != 0) return 64;

    std::vector<std::string> args{"-."};
    for (const char *option : optionSets[bytes[0] % optionSetCount]) args.emplace_back(option);
    args.emplace_back(moduleName);
    return romcast::run(args, stdout);
}
