#include "imageDecoder.h"

#include <algorithm>

namespace {

int hexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;  // the writers use upper case only
}

// The bytes of one record line written in hexadecimal pairs; false on any
// other character or an odd count.
bool readHexPairs(std::string_view digits, std::vector<std::uint8_t> &out) {
    out.clear();
    if (digits.size() % 2 != 0) return false;
    for (std::size_t i = 0; i < digits.size(); i += 2) {
        const int high = hexDigit(digits[i]);
        const int low = hexDigit(digits[i + 1]);
        if (high < 0 || low < 0) return false;
        out.push_back(static_cast<std::uint8_t>(high * 16 + low));
    }
    return true;
}

// Calls `line` for every line of `text` (each must end in "\n") with its
// number; stops at the first false.
template <typename LineFunction>
void forEachLine(std::string_view text, MemoryImage &image, LineFunction line) {
    std::size_t number = 0;
    while (!text.empty() && image.error.empty()) {
        ++number;
        const std::size_t end = text.find('\n');
        if (end == std::string_view::npos) {
            image.error = "line " + std::to_string(number) + " has no line end";
            return;
        }
        if (!line(text.substr(0, end))) image.error = "line " + std::to_string(number) + " is malformed: " + std::string(text.substr(0, end));
        text.remove_prefix(end + 1);
    }
}

void add(MemoryImage &image, std::uint32_t address, const std::uint8_t *bytes, std::size_t count) {
    for (std::size_t i = 0; i < count; ++i) image.bytes.push_back({static_cast<std::uint32_t>(address + i), bytes[i]});
}

// Address order, the last write of an address kept.
void settle(MemoryImage &image) {
    const auto byAddress = [](const MemoryImage::Byte &a, const MemoryImage::Byte &b) { return a.address < b.address; };
    // Records mostly come in address order already.
    if (!std::is_sorted(image.bytes.begin(), image.bytes.end(), byAddress))
        std::stable_sort(image.bytes.begin(), image.bytes.end(), byAddress);
    // Compacted in place: the first `kept` bytes are settled.
    std::size_t kept = 0;
    for (const MemoryImage::Byte &byte : image.bytes) {
        if (kept != 0 && image.bytes[kept - 1].address == byte.address) {
            image.bytes[kept - 1] = byte;
            if (image.rewritten.empty() || image.rewritten.back() != byte.address) image.rewritten.push_back(byte.address);
        } else {
            image.bytes[kept++] = byte;
        }
    }
    image.bytes.resize(kept);
}

}  // namespace

MemoryImage decodeSRecords(std::string_view text, std::uint32_t addressMask) {
    MemoryImage image;
    image.bytes.reserve(text.size() / 2);  // at least two digits a byte
    std::vector<std::uint8_t> record;
    record.reserve(256);
    forEachLine(text, image, [&](std::string_view line) {
        if (line.size() < 4 || line[0] != 'S' || !readHexPairs(line.substr(2, 2), record)) return false;
        const char type = line[1];
        const std::size_t addressBytes = type == '0' || type == '1' || type == '9' ? 2 : type == '2' || type == '8' ? 3 : type == '3' || type == '7' ? 4 : 0;
        const std::size_t count = record[0];
        if (addressBytes == 0 || count < addressBytes + 1) return false;
        // Addresses above 24 bits keep every digit in S2 and S8 records, and
        // only their low three bytes count in the count and the checksum.
        if (line.size() + 2 * addressBytes < 2 * count + 4) return false;
        const std::size_t digits = line.size() + 2 * addressBytes - 2 * count - 4;
        if (digits < 2 * addressBytes || digits > 8) return false;
        if (digits != 2 * addressBytes && addressBytes != 3) return false;
        std::uint32_t address = 0;
        for (char c : line.substr(4, digits)) {
            const int digit = hexDigit(c);
            if (digit < 0) return false;
            address = address << 4 | static_cast<std::uint32_t>(digit);
        }
        if (!readHexPairs(line.substr(4 + digits), record) || record.size() != count - addressBytes) return false;
        unsigned sum = static_cast<unsigned>(count);
        for (std::size_t i = 0; i < addressBytes; ++i) sum += address >> (8 * i) & 0xFF;
        for (std::uint8_t byte : record) sum += byte;
        if ((sum & 0xFF) != 0xFF) return false;
        if (type == '1' || type == '2' || type == '3') add(image, address, record.data(), record.size() - 1);
        return true;
    });
    for (MemoryImage::Byte &byte : image.bytes) byte.address &= addressMask;
    settle(image);
    return image;
}

MemoryImage decodeIntelHex(std::string_view text) {
    MemoryImage image;
    image.bytes.reserve(text.size() / 2);
    std::vector<std::uint8_t> record;
    record.reserve(256);
    std::uint32_t base = 0;
    bool ended = false;
    forEachLine(text, image, [&](std::string_view line) {
        if (ended || line.empty() || line[0] != ':' || !readHexPairs(line.substr(1), record)) return false;
        // Count, two address bytes, type, data, checksum; the checksum makes the sum 0.
        if (record.size() < 5 || record[0] != record.size() - 5) return false;
        unsigned sum = 0;
        for (std::uint8_t byte : record) sum += byte;
        if ((sum & 0xFF) != 0) return false;
        const std::uint32_t offset = static_cast<std::uint32_t>(record[1] << 8 | record[2]);
        const std::uint32_t value = record.size() == 7 ? static_cast<std::uint32_t>(record[4] << 8 | record[5]) : 0;
        switch (record[3]) {
        case 0x00:
            add(image, base + offset, record.data() + 4, record[0]);
            return true;
        case 0x01:
            ended = true;
            return record[0] == 0;
        case 0x02:  // segment: the value times 16
            base = value << 4;
            return record[0] == 2;
        case 0x04:  // the upper 16 address bits
            base = value << 16;
            return record[0] == 2;
        case 0xFF:  // this converter's bank record: address bits 16 to 23
            base = value << 16;
            image.usesBankRecords = true;
            return record[0] == 2 && value <= 0xFF;
        default:
            return false;
        }
    });
    if (image.error.empty() && !ended) image.error = "no end record";
    settle(image);
    return image;
}

std::string checkBinaryImage(std::string_view text) {
    const auto *file = reinterpret_cast<const std::uint8_t *>(text.data());
    if (text.size() < 8) return "shorter than its header and trailer";
    const std::size_t end = text.size() - 4;
    unsigned sum = 0;
    for (std::size_t i = 4; i < end; ++i) sum += file[i];
    if (file[end] != ((sum >> 8) & 0xFF) || file[end + 1] != (sum & 0xFF)) return "the trailer's sum is not the sum of the image";
    if (file[end + 2] != 0 || file[end + 3] != 0) return "the trailer does not end in two zero bytes";
    return {};
}
