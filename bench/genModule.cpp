// Writes the large load modules of the benchmark, and beside each the raw memory
// image that the module loads, so that other converters can be given the same
// image from a binary file.
//
//   genModule CASE MODULE [IMAGE]
//
// CASE is one of
//   bulkN          N MiB in 255-byte LD records, one section and one unit per MiB
//                  (so from the second MiB on the addresses need 24 bits)
//   linker         1 MiB in LD records of 1 to 5 bytes; every unit opened by SB
//                  and ASP; the units of 16 sections shuffled, as linkers write them
//   unitsN         N units of 16 bytes in address order
//   unitsNr        the same with the units in falling address order
//   gaps           16 MiB section holding 4096 units of 256 bytes; the image file
//                  holds the gaps as 0xFF, which is what "-F FF" fills them with
//   repeat         16 MiB made of 4-byte LD records, each repeated 1024 times by RE
//   realN          shaped like a real linker's output for an image of N KiB: an
//                  environment part of a thousand attribute texts, 25 sections,
//                  about 1 MB of debug records before the data part, and a few
//                  hundred units (in section order) of mostly 1- and 2-byte LD
//                  records, each unit opened by SB and ASP
//
// Every unit starts on a 16-byte boundary and holds a multiple of 16 bytes, so
// the records that romcast cuts are those of a plain cut of the image: its output
// can be compared byte for byte with the floor program's. The image starts at
// address 0 in every case.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "moduleBytes.h"

namespace {


std::uint64_t randomState = 0x9E3779B97F4A7C15ULL;

std::uint64_t nextRandom() {
    randomState ^= randomState << 13;
    randomState ^= randomState >> 7;
    randomState ^= randomState << 17;
    return randomState;
}

std::uint32_t randomBelow(std::uint32_t limit) { return static_cast<std::uint32_t>(nextRandom() % limit); }

void fillRandom(std::uint8_t *bytes, std::size_t count) {
    std::size_t i = 0;
    for (; i + 8 <= count; i += 8) {
        const std::uint64_t r = nextRandom();
        std::memcpy(bytes + i, &r, 8);
    }
    for (; i < count; ++i) bytes[i] = static_cast<std::uint8_t>(nextRandom());
}

struct Module {
    Bytes out;
    std::size_t partPatch[3];  // offsets of the ASW values for parts 2, 5 and 6
};




void patchPart(Module &module, int which) {
    patchLong(module.out, module.partPatch[which], static_cast<std::uint32_t>(module.out.size()));
}

const char *const attributeWords[] = {"-O2", "-g", "crt0.s", "main.c", "lib/libc.a", "version 4.2.1",
                                      "-mcpu=tq40", "build 1187", "/home/user/project/src"};

// `count` attribute texts of the environment part, as compilers and linkers
// leave them: tool versions, options, file names.
void putAttributeTexts(Bytes &out, std::uint32_t count) {
    const auto &words = attributeWords;
    for (std::uint32_t i = 0; i < count; ++i) {
        const char *word = words[i % (sizeof words / sizeof words[0])];
        const std::size_t length = std::strlen(word);
        // ATN 0 0 number, then the text as a name: attribute numbers that
        // carry no ID setting.
        putType(out, rec::ATN);
        put(out, {0, 0, static_cast<int>(60 + i % 8)});
        putName(out, std::string_view(word, length));
    }
}

// MB, AD, the ASW records of the section, data and trailer parts and of the
// environment part, which is the NN record, the attribute that makes the
// module absolute and `texts` attribute texts.
void putHeader(Module &module, std::uint32_t texts) {
    Bytes &out = module.out;
    putType(out, rec::MB);
    putName(out, "TQ40");
    putName(out, "bench");
    putType(out, rec::AD);
    put(out, {8, 4, static_cast<int>(moduleFormat::letterCode('M'))});
    const int indexes[3] = {2, 5, 6};
    for (int i = 0; i < 3; ++i) {
        putType(out, rec::ASW);
        put(out, {indexes[i]});
        module.partPatch[i] = out.size();
        putLong(out, 0);
    }
    const std::size_t environmentAt = out.size() + 3 + 5;  // after this ASW record
    putType(out, rec::ASW);
    put(out, {1});
    putLong(out, static_cast<std::uint32_t>(environmentAt));
    putType(out, rec::NN);
    put(out, {1});
    putName(out, "bench");
    putType(out, rec::ATN);
    put(out, {0, 0, moduleFormat::objectFormatAttribute, moduleFormat::absoluteFormat});
    putAttributeTexts(out, texts);
    patchPart(module, 0);
}

// A code section: ST with the letters "AP", SA, ASS and ASL.
void putSection(Bytes &out, std::uint32_t index, std::uint32_t base, std::uint32_t size) {
    putType(out, rec::ST);
    putLong(out, index);
    putCodeLetters(out);
    putName(out, "code");
    putType(out, rec::SA);
    putLong(out, index);
    put(out, {2});
    putType(out, rec::ASS);
    putLong(out, index);
    putLong(out, size);
    putType(out, rec::ASL);
    putLong(out, index);
    putLong(out, base);
}

void putUnitStart(Bytes &out, std::uint32_t index, std::uint32_t address) {
    putType(out, rec::ASP);
    putLong(out, index);
    putLong(out, address);
}

void putLoad(Bytes &out, const std::uint8_t *bytes, std::uint32_t count) {
    putType(out, rec::LD);
    put(out, {static_cast<int>(count)});
    out.insert(out.end(), bytes, bytes + count);
}

// The image bytes of one unit in LD records of at most `most` bytes.
void putLoads(Bytes &out, const Bytes &image, std::uint32_t address, std::uint32_t size, std::uint32_t most) {
    for (std::uint32_t done = 0; done < size;) {
        const std::uint32_t count = size - done < most ? size - done : most;
        putLoad(out, image.data() + address + done, count);
        done += count;
    }
}

void putTrailer(Module &module) {
    patchPart(module, 2);
    putType(module.out, rec::ASG);
    put(module.out, {0});
    putType(module.out, rec::ME);
}

void startDataPart(Module &module) { patchPart(module, 1); }

void bulk(Module &module, Bytes &image, std::uint32_t mebibytes) {
    constexpr std::uint32_t mebibyte = 0x100000;
    image.resize(std::size_t{mebibytes} * mebibyte);
    fillRandom(image.data(), image.size());
    for (std::uint32_t s = 0; s < mebibytes; ++s) putSection(module.out, s + 1, s * mebibyte, mebibyte);
    startDataPart(module);
    for (std::uint32_t s = 0; s < mebibytes; ++s) {
        putUnitStart(module.out, s + 1, s * mebibyte);
        putLoads(module.out, image, s * mebibyte, mebibyte, 255);
    }
}

void linker(Module &module, Bytes &image) {
    constexpr std::uint32_t sections = 16;
    constexpr std::uint32_t sectionSize = 0x10000;
    image.resize(sections * sectionSize);
    fillRandom(image.data(), image.size());
    struct Unit {
        std::uint32_t index, address, size;
    };
    std::vector<Unit> units;
    for (std::uint32_t s = 0; s < sections; ++s) {
        putSection(module.out, s + 1, s * sectionSize, sectionSize);
        for (std::uint32_t at = 0; at < sectionSize;) {
            std::uint32_t size = 16 * (1 + randomBelow(64));
            if (size > sectionSize - at) size = sectionSize - at;
            units.push_back({s + 1, s * sectionSize + at, size});
            at += size;
        }
    }
    for (std::size_t i = units.size() - 1; i > 0; --i) std::swap(units[i], units[randomBelow(static_cast<std::uint32_t>(i + 1))]);
    startDataPart(module);
    for (const Unit &unit : units) {
        putType(module.out, rec::SB);
        putLong(module.out, unit.index);
        putUnitStart(module.out, unit.index, unit.address);
        for (std::uint32_t done = 0; done < unit.size;) {
            std::uint32_t count = 1 + randomBelow(5);
            if (count > unit.size - done) count = unit.size - done;
            putLoad(module.out, image.data() + unit.address + done, count);
            done += count;
        }
    }
}

void manyUnits(Module &module, Bytes &image, std::uint32_t count, bool falling) {
    image.resize(std::size_t{count} * 16);
    fillRandom(image.data(), image.size());
    putSection(module.out, 1, 0, count * 16);
    startDataPart(module);
    for (std::uint32_t u = 0; u < count; ++u) {
        const std::uint32_t n = falling ? count - 1 - u : u;
        putUnitStart(module.out, 1, n * 16);
        putLoad(module.out, image.data() + std::size_t{n} * 16, 16);
    }
}

void gaps(Module &module, Bytes &image) {
    constexpr std::uint32_t size = 0x1000000;
    constexpr std::uint32_t units = 4096;
    constexpr std::uint32_t slot = size / units;
    constexpr std::uint32_t unitSize = 256;
    image.assign(size, 0xFF);
    putSection(module.out, 1, 0, size);
    startDataPart(module);
    for (std::uint32_t u = 0; u < units; ++u) {
        // The first unit starts the image and the last one ends it.
        std::uint32_t offset = 16 * randomBelow((slot - unitSize) / 16 + 1);
        if (u == 0) offset = 0;
        if (u == units - 1) offset = slot - unitSize;
        const std::uint32_t address = u * slot + offset;
        fillRandom(image.data() + address, unitSize);
        putUnitStart(module.out, 1, address);
        putLoads(module.out, image, address, unitSize, 128);
    }
}

void repeat(Module &module, Bytes &image) {
    constexpr std::uint32_t size = 0x1000000;
    constexpr std::uint32_t unitSize = 0x10000;
    constexpr std::uint32_t passes = 1024;
    constexpr std::uint32_t runSize = 4;
    image.resize(size);
    putSection(module.out, 1, 0, size);
    startDataPart(module);
    for (std::uint32_t address = 0; address < size; address += unitSize) {
        putUnitStart(module.out, 1, address);
        for (std::uint32_t at = address; at < address + unitSize; at += passes * runSize) {
            std::uint8_t run[runSize];
            fillRandom(run, runSize);
            for (std::uint32_t p = 0; p < passes; ++p) std::memcpy(image.data() + at + p * runSize, run, runSize);
            putType(module.out, rec::RE);
            putLong(module.out, passes);
            putLoad(module.out, run, runSize);
        }
    }
}

// About `size` bytes of debug records, which the converter never reads: blocks
// (BB ... BE) of names, types and attributes, as a compiler writes them for
// each function.
void putDebugRecords(Bytes &out, std::size_t size) {
    const std::size_t end = out.size() + size;
    for (std::uint32_t block = 0; out.size() < end; ++block) {
        putType(out, rec::blockBegin(6));
        putLong(out, block & 0xFFFF);
        putName(out, "func");
        for (std::uint32_t symbol = 0; symbol < 8; ++symbol) {
            putType(out, rec::NN);
            putLong(out, (block & 0xFFFF) << 8 | symbol);
            putName(out, "local" + std::to_string(symbol));
            putType(out, rec::TY);
            put(out, {0x84, 0, 0, static_cast<int>(block & 0xFF), static_cast<int>(symbol), 0xC1, 0x20, 0x84});
            putLong(out, randomBelow(0x10000));
            putType(out, rec::ATI);
            put(out, {0x84, 0, static_cast<int>(block & 0xFF), 0, static_cast<int>(symbol), 8});
            putLong(out, randomBelow(0x10000));
        }
        putType(out, rec::BE);
    }
}

// An image of `kibibytes` KiB in 25 sections of unequal size, a few hundred
// units in section order, LD records of mostly 1 and 2 bytes.
void realLinker(Module &module, Bytes &image, std::uint32_t kibibytes) {
    constexpr std::uint32_t sections = 25;
    constexpr std::uint32_t units = 300;
    const std::uint32_t size = kibibytes * 1024;
    image.resize(size);
    fillRandom(image.data(), image.size());
    // Unit boundaries at multiples of 16, spread unevenly; every section
    // holds a run of whole units.
    std::vector<std::uint32_t> cuts{0, size};
    while (cuts.size() < units + 1) cuts.push_back(16 * randomBelow(size / 16));
    std::sort(cuts.begin(), cuts.end());
    cuts.erase(std::unique(cuts.begin(), cuts.end()), cuts.end());
    const std::size_t unitCount = cuts.size() - 1;
    const auto sectionOf = [&](std::size_t unit) { return static_cast<std::uint32_t>(unit * sections / unitCount); };
    for (std::uint32_t s = 0; s < sections; ++s) {
        std::size_t first = 0;
        while (first < unitCount && sectionOf(first) < s) ++first;
        std::size_t last = first;
        while (last < unitCount && sectionOf(last) == s) ++last;
        if (first == last) continue;
        putSection(module.out, s + 1, cuts[first], cuts[last] - cuts[first]);
    }
    putDebugRecords(module.out, 1 << 20);
    startDataPart(module);
    for (std::size_t u = 0; u < unitCount; ++u) {
        const std::uint32_t index = sectionOf(u) + 1;
        putType(module.out, rec::SB);
        putLong(module.out, index);
        putUnitStart(module.out, index, cuts[u]);
        for (std::uint32_t at = cuts[u]; at < cuts[u + 1];) {
            const std::uint32_t pick = randomBelow(20);
            std::uint32_t count = pick < 9 ? 1 : pick < 18 ? 2 : 3 + randomBelow(14);
            if (count > cuts[u + 1] - at) count = cuts[u + 1] - at;
            putLoad(module.out, image.data() + at, count);
            at += count;
        }
    }
}

bool writeFile(const char *name, const Bytes &bytes) {
    std::FILE *file = std::fopen(name, "wb");
    if (file == nullptr) return false;
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    return std::fclose(file) == 0 && written;
}

// The number after a case name's prefix, or 0.
std::uint32_t numberAfter(const std::string &text, std::size_t prefix) {
    return static_cast<std::uint32_t>(std::strtoul(text.c_str() + prefix, nullptr, 10));
}

}  // namespace

int main(int argc, char **argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: genModule bulkN|linker|unitsN[r]|gaps|repeat|realN MODULE [IMAGE]\n");
        return 2;
    }
    const std::string name = argv[1];
    Module module;
    Bytes image;
    module.out.reserve(20u << 20);
    const bool real = name.rfind("real", 0) == 0 && numberAfter(name, 4) > 0 && numberAfter(name, 4) <= 16384;
    putHeader(module, real ? 1000 : 0);
    if (real) {
        realLinker(module, image, numberAfter(name, 4));
    } else if (name.rfind("bulk", 0) == 0 && numberAfter(name, 4) > 0 && numberAfter(name, 4) <= 16) {
        bulk(module, image, numberAfter(name, 4));
    } else if (name == "linker") {
        linker(module, image);
    } else if (name.rfind("units", 0) == 0 && numberAfter(name, 5) > 0) {
        manyUnits(module, image, numberAfter(name, 5), name.back() == 'r');
    } else if (name == "gaps") {
        gaps(module, image);
    } else if (name == "repeat") {
        repeat(module, image);
    } else {
        std::fprintf(stderr, "genModule: unknown case '%s'\n", argv[1]);
        return 2;
    }
    putTrailer(module);
    if (!writeFile(argv[2], module.out) || (argc > 3 && !writeFile(argv[3], image))) {
        std::fprintf(stderr, "genModule: cannot write the output\n");
        return 1;
    }
    return 0;
}
