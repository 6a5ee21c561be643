// Converts a module held in memory with typed options, as a flashing tool
// would: reads what the module holds, converts it into Intel HEX without
// touching a file, prints its warnings as data, and writes the image where the
// caller asks.
//
//   inMemory module.tqx image.hex
#include <cstdio>
#include <fstream>
#include <iterator>
#include <vector>

#include <romcast/romcast.h>

int main(int argc, char **argv) {
    if (argc != 3) {
        std::fputs("usage: inMemory module.tqx image.hex\n", stderr);
        return 64;
    }
    std::ifstream in(argv[1], std::ios::binary);
    const std::vector<std::uint8_t> bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    try {
        const romcast::Module module = romcast::readModule(bytes);
        std::printf("%s, %zu sections, %zu units, %06X..%06X\n", module.processor.c_str(), module.sections.size(),
                    module.units.size(), static_cast<unsigned>(module.first), static_cast<unsigned>(module.last));

        romcast::Options options;
        options.form = romcast::OutputForm::intelHex;
        const romcast::Result result = romcast::convert(bytes, options);
        for (const romcast::Warning &warning : result.warnings) std::printf("warning %d: %s\n", warning.number, warning.text.c_str());
        for (const romcast::Output &output : result.outputs) {
            if (output.extension != ".hex") continue;
            std::ofstream(argv[2], std::ios::binary).write(reinterpret_cast<const char *>(output.bytes.data()),
                                                           static_cast<std::streamsize>(output.bytes.size()));
        }
        return 0;
    } catch (const romcast::Error &error) {
        std::printf("%s\n", error.what());
        return error.exitStatus();
    }
}
