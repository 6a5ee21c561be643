// The floor of the benchmark: the least a converter must do to turn a raw image
// into romcast's output. A table of digit pairs, records cut at fixed steps from
// address 0, and one large buffer for input and one for output.
//
//   floor mot|hex|bin LENGTH IMAGE OUTPUT
//
// The output is what romcast writes for a module that loads IMAGE at address 0
// in units of whole records: S0, S2 records and S804000000FB; Intel HEX with
// romcast's extended address records (type FF banks above 1 MiB, else type 02
// segments) and the end record; or the binary image with its header and trailer.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

constexpr std::size_t chunkSize = 1u << 20;  // a multiple of every record length
constexpr std::size_t outputSize = 4u << 20;

char digitPairs[256][2];
std::vector<char> output(outputSize);
std::size_t outputFill = 0;
std::FILE *outputFile = nullptr;

void drain() {
    std::fwrite(output.data(), 1, outputFill, outputFile);
    outputFill = 0;
}

// The longest line (an S2 record of 32 bytes) fits many times in the headroom.
void reserve(std::size_t count) {
    if (outputFill + count > outputSize) drain();
}

inline char *putByte(char *at, unsigned byte) {
    std::memcpy(at, digitPairs[byte & 0xFF], 2);
    return at + 2;
}

void putText(const char *text) {
    const std::size_t length = std::strlen(text);
    reserve(length);
    std::memcpy(output.data() + outputFill, text, length);
    outputFill += length;
}

void sRecord(std::uint32_t address, const std::uint8_t *data, unsigned count) {
    reserve(96);
    char *const start = output.data() + outputFill;
    char *at = start;
    *at++ = 'S';
    *at++ = '2';
    unsigned sum = count + 4 + (address >> 16 & 0xFF) + (address >> 8 & 0xFF) + (address & 0xFF);
    at = putByte(at, count + 4);
    at = putByte(at, address >> 16);
    at = putByte(at, address >> 8);
    at = putByte(at, address);
    for (unsigned i = 0; i < count; ++i) {
        sum += data[i];
        at = putByte(at, data[i]);
    }
    at = putByte(at, ~sum);
    *at++ = '\n';
    outputFill += static_cast<std::size_t>(at - start);
}

std::uint32_t lastBank = 0xFF;
bool bankForm = false;

void hexLine(unsigned count, unsigned address16, unsigned type, const std::uint8_t *data) {
    reserve(96);
    char *const start = output.data() + outputFill;
    char *at = start;
    *at++ = ':';
    unsigned sum = count + (address16 >> 8) + (address16 & 0xFF) + type;
    at = putByte(at, count);
    at = putByte(at, address16 >> 8);
    at = putByte(at, address16);
    at = putByte(at, type);
    for (unsigned i = 0; i < count; ++i) {
        sum += data[i];
        at = putByte(at, data[i]);
    }
    at = putByte(at, 0x100 - (sum & 0xFF));
    *at++ = '\n';
    outputFill += static_cast<std::size_t>(at - start);
}

void hexRecord(std::uint32_t address, const std::uint8_t *data, unsigned count) {
    const std::uint32_t bank = address >> 16 & 0xFF;
    if (bank != lastBank || bank == 0xFF) {
        const std::uint32_t value = bankForm ? bank : (address >> 4) & 0xF000;
        const std::uint8_t pair[2] = {static_cast<std::uint8_t>(value >> 8), static_cast<std::uint8_t>(value)};
        hexLine(2, 0, bankForm ? 0xFF : 0x02, pair);
    }
    hexLine(count, address & 0xFFFF, 0x00, data);
    lastBank = bank;
}

long fileSize(std::FILE *file) {
    std::fseek(file, 0, SEEK_END);
    const long size = std::ftell(file);
    std::fseek(file, 0, SEEK_SET);
    return size;
}

}  // namespace

int main(int argc, char **argv) {
    if (argc != 5) {
        std::fprintf(stderr, "usage: floor mot|hex|bin LENGTH IMAGE OUTPUT\n");
        return 2;
    }
    const char *form = argv[1];
    const unsigned length = static_cast<unsigned>(std::atoi(argv[2]));
    std::FILE *in = std::fopen(argv[3], "rb");
    outputFile = std::fopen(argv[4], "wb");
    if (in == nullptr || outputFile == nullptr || (length != 16 && length != 32)) {
        std::fprintf(stderr, "floor: bad arguments\n");
        return 2;
    }
    const char *digits = "0123456789ABCDEF";
    for (int i = 0; i < 256; ++i) {
        digitPairs[i][0] = digits[i >> 4];
        digitPairs[i][1] = digits[i & 15];
    }
    const long size = fileSize(in);
    bankForm = size > 0x100000;
    const bool srec = std::strcmp(form, "mot") == 0;
    const bool hex = std::strcmp(form, "hex") == 0;
    std::uint32_t sum = 0;
    if (srec) putText("S0030000FC\n");
    if (!srec && !hex) {
        const std::uint32_t header = static_cast<std::uint32_t>(size) + 8;
        const std::uint8_t bytes[4] = {static_cast<std::uint8_t>(header >> 24), static_cast<std::uint8_t>(header >> 16),
                                       static_cast<std::uint8_t>(header >> 8), static_cast<std::uint8_t>(header)};
        std::fwrite(bytes, 1, 4, outputFile);
    }

    std::vector<std::uint8_t> chunk(chunkSize);
    std::uint32_t address = 0;
    for (;;) {
        const std::size_t got = std::fread(chunk.data(), 1, chunkSize, in);
        if (got == 0) break;
        if (srec || hex) {
            for (std::size_t at = 0; at < got; at += length) {
                const unsigned count = static_cast<unsigned>(got - at < length ? got - at : length);
                if (srec)
                    sRecord(address, chunk.data() + at, count);
                else
                    hexRecord(address, chunk.data() + at, count);
                address += count;
            }
        } else {
            for (std::size_t i = 0; i < got; ++i) sum += chunk[i];
            std::fwrite(chunk.data(), 1, got, outputFile);
        }
    }
    if (srec) putText("S804000000FB\n");
    if (hex) putText(":00000001FF\n");
    drain();
    if (!srec && !hex) {
        const std::uint8_t trailer[4] = {static_cast<std::uint8_t>(sum >> 8), static_cast<std::uint8_t>(sum), 0, 0};
        std::fwrite(trailer, 1, 4, outputFile);
    }
    std::fclose(in);
    return std::fclose(outputFile) == 0 ? 0 : 1;
}
