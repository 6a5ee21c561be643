#include "module/moduleReader.h"

#include <cstring>
#include <optional>
#include <utility>

#include "common/messages.h"
#include "common/runError.h"

namespace {

using moduleFormat::isLetter;
using moduleFormat::isLongNumber;
using moduleFormat::isRecordType;

}  // namespace

// Both throw the error themselves rather than through fatalError (or reject
// through rejectModule): under the address sanitizer every call of a function
// that does not return costs a system call, and most of the modules that a
// fuzzing campaign makes end here.
void ModuleReader::reject() const { throw describeError(err::illegalFormat, inputName_, nullptr); }

// Reads on from the input until the module's first `end` bytes are here;
// false when the module ends before. Another reader of the module may have
// read them already.
bool ModuleReader::reach(std::size_t end) {
    if (source_ == nullptr) return bytes_.size() >= end;
    bytes_ = source_->bytes();
    while (bytes_.size() < end && !source_->whole()) bytes_ = source_->readTo(end, inputName_, cancel_);
    return bytes_.size() >= end;
}

int ModuleReader::takeByte() {
    const std::size_t at = pos_++;
    if (pos_ > recordPeak_) recordPeak_ = pos_;
    if (at >= bytes_.size() && !reach(at + 1)) {
        endMet_ = true;
        return end;
    }
    return bytes_[at];
}

// Takes `count` bytes as reading them one by one would: a run cut off by the
// end stops after the one read that met it. False when it was cut off.
bool ModuleReader::takeRun(std::size_t count) {
    if (pos_ + count > bytes_.size()) reach(pos_ + count);
    const std::size_t left = pos_ < bytes_.size() ? bytes_.size() - pos_ : 0;
    if (count <= left) {
        pos_ += count;
    } else {
        pos_ = (pos_ < bytes_.size() ? bytes_.size() : pos_) + 1;
        endMet_ = true;
    }
    if (pos_ > recordPeak_) recordPeak_ = pos_;
    return count <= left;
}

std::span<const std::uint8_t> ModuleReader::taken(std::size_t from) const {
    const std::size_t to = pos_ < bytes_.size() ? pos_ : bytes_.size();
    return from < to ? bytes_.subspan(from, to - from) : std::span<const std::uint8_t>{};
}

void ModuleReader::seek(std::uint32_t offset) {
    pos_ = offset;
    recordStart_ = recordPeak_ = pos_;
    endMet_ = false;
}

std::int32_t ModuleReader::readRecordTypeNearEnd() {
    recordPeak_ = pos_;
    const int first = takeByte();
    if (first == end) return rec::endOfFile;
    if (first == 0xE2 || first == 0xF1 || first == 0xF8) {
        const int second = takeByte();
        return first * 256 + (second == end ? -1 : second);
    }
    return first;
}

void ModuleReader::unreadRecordType(std::int32_t type) {
    recordStart_ = recordPeak_ = pos_;
    if (type == rec::endOfFile) return;
    // Back from where the reads stopped: reads at the end took no byte.
    const std::size_t at = pos_ < bytes_.size() ? pos_ : bytes_.size();
    const std::size_t width = type >= 0x100 ? 2 : 1;
    if (at < width) return;
    seek(static_cast<std::uint32_t>(at - width));
}

void ModuleReader::requireWholeRecord() const {
    if (recordPeak_ - recordStart_ > recordLimit) reject();
}

std::int32_t ModuleReader::skipRecord() {
    const std::int32_t type = readRecordType();
    skipBody(type);
    requireWholeRecord();
    return type;
}

std::uint32_t ModuleReader::readNumber() {
    const int lead = takeByte();
    if (lead == end) return 0;
    if (lead <= 0x80) return static_cast<std::uint32_t>(lead);
    std::uint32_t value = 0;
    if (isLongNumber(lead)) {
        for (int i = 0; i < lead - 0x80; ++i) {
            const int c = takeByte();
            value = (value << 8) | static_cast<std::uint32_t>(c == end ? 0xFF : c);
        }
    } else if (isRecordType(lead)) {
        giveBack();
    }
    return value;
}

std::optional<std::string_view> ModuleReader::readName() {
    const int lead = takeByte();
    int length = 0;
    if (lead == end) return std::nullopt;
    if (lead < 0x80) {
        length = lead;
    } else if (lead == 0xDE) {
        length = takeByte();
        if (length == end) return std::nullopt;
    } else if (lead == 0xDF) {
        const int high = takeByte();
        const int low = takeByte();
        if (high == end || low == end) return std::nullopt;
        length = high * 256 + low;
    } else {
        return std::nullopt;
    }
    const std::size_t start = pos_;
    if (!takeRun(static_cast<std::size_t>(length)) || endMet_) return std::nullopt;
    return std::string_view(reinterpret_cast<const char *>(bytes_.data() + start), static_cast<std::size_t>(length));
}

std::uint32_t ModuleReader::readLetters() {
    std::uint32_t value = 0;
    for (;;) {
        const int c = takeByte();
        if (c == end || !isLetter(c)) break;
        value = (value << 8) | static_cast<std::uint32_t>(c);
    }
    giveBack();
    return value;
}

ValueRun ModuleReader::readValue(Run run) {
    const std::size_t start = pos_;
    int c = takeByte();
    while (c != end && !isRecordType(c)) {
        if (c == 0x80 || c == 0x90) {
            // An omitted field or a comma ends a one-value run and stays taken.
            if (run == Run::oneValue) break;
        } else if (isLongNumber(c)) {
            giveBack();
            readNumber();
        } else if (c == 0xDE || c == 0xDF) {
            giveBack();
            readName();
        } else if (c >= 0x80 && !(c >= 0xA0 && c <= 0xD8)) {
            return ValueRun{};
        }
        c = takeByte();
    }
    if (c != end && isRecordType(c)) giveBack();
    return ValueRun{taken(start), !endMet_};
}

Attribute ModuleReader::readAttribute() {
    readNumber();
    readNumber();
    const std::uint32_t number = readNumber();
    return Attribute{number, readValue(Run::toRecordEnd)};
}

std::uint32_t ModuleReader::readWholeNumber() {
    const std::optional<std::uint32_t> value = takeWholeNumber();
    if (!value) reject();
    return *value;
}

std::span<const std::uint8_t> ModuleReader::readLoadBytes() {
    const std::optional<std::span<const std::uint8_t>> bytes = takeLoadBytes();
    if (!bytes) reject();
    return *bytes;
}

std::optional<std::uint32_t> ModuleReader::takeWholeNumber() {
    const std::uint32_t value = readNumber();
    if (endMet_) return std::nullopt;
    return value;
}

std::optional<std::span<const std::uint8_t>> ModuleReader::takeLoadBytes() {
    const int count = takeByte();
    const std::size_t start = pos_;
    if (count == end || !takeRun(static_cast<std::size_t>(count))) return std::nullopt;
    return bytes_.subspan(start, static_cast<std::size_t>(count));
}

bool ModuleReader::copyShortLoads(std::uint8_t *to, std::size_t &filled, std::size_t room, std::size_t shortest) {
    const std::uint8_t *const bytes = bytes_.data();
    const std::size_t size = bytes_.size();
    std::size_t at = pos_;
    std::size_t copied = filled;
    while (at + 1 < size && bytes[at] == rec::LD) {
        const std::size_t count = bytes[at + 1];
        if (count >= shortest || count > room - copied || at + 2 + count > size || cancel_.raised()) break;
        // Mostly one or two bytes: a copy of fixed width costs less than one
        // of their own width.
        if (count <= copySlack && at + 2 + copySlack <= size)
            std::memcpy(to + copied, bytes + at + 2, copySlack);
        else
            std::memcpy(to + copied, bytes + at + 2, count);
        copied += count;
        recordStart_ = at;
        at += 2 + count;
    }
    if (at == pos_) return false;
    pos_ = recordPeak_ = at;
    filled = copied;
    return true;
}

bool ModuleReader::skipLoads(std::uint64_t &loaded) {
    const std::uint8_t *const bytes = bytes_.data();
    const std::size_t size = bytes_.size();
    std::size_t at = pos_;
    std::uint64_t count = 0;
    while (at + 1 < size && bytes[at] == rec::LD && at + 2 + bytes[at + 1] <= size && !cancel_.raised()) {
        recordStart_ = at;
        count += bytes[at + 1];
        at += 2 + bytes[at + 1];
    }
    loaded += count;
    if (at == pos_) return false;
    pos_ = recordPeak_ = at;
    return true;
}

namespace {

// A number of at most four bytes in its plain form at `at`: its value, and `at`
// moved past it. False, `at` unmoved, for a lead byte below `shortest` that is
// no short number, for any other form, or when the module ends inside it.
bool takePlainNumber(std::span<const std::uint8_t> bytes, std::size_t &at, std::uint32_t &value, std::uint8_t shortest) {
    if (at >= bytes.size()) return false;
    const std::uint8_t lead = bytes[at];
    if (lead < shortest) {
        value = lead;
        ++at;
        return true;
    }
    const std::optional<moduleFormat::PlainNumber> number = moduleFormat::leadingNumber(bytes.subspan(at));
    if (!number) return false;
    value = number->value;
    at += number->length;
    return true;
}

}  // namespace

IndexedValue ModuleReader::readIndexedValue() {
    // The usual form, two plain numbers and then the next record's type, read
    // straight from the bytes; anything else takes the general way below.
    std::size_t at = pos_;
    std::uint32_t index = 0;
    std::uint32_t value = 0;
    if (takePlainNumber(bytes_, at, index, 0x81) && takePlainNumber(bytes_, at, value, 0x80) && at < bytes_.size() &&
        isRecordType(bytes_[at])) {
        pos_ = at;
        // The value's reading looked at the next type byte.
        if (pos_ + 1 > recordPeak_) recordPeak_ = pos_ + 1;
        requireWholeRecord();
        return IndexedValue{index, value};
    }
    index = readNumber();
    const ValueRun run = readValue(Run::oneValue);
    requireWholeRecord();
    // An address or a size is never guessed from an expression or an omitted field.
    const std::optional<std::uint32_t> number = run.complete ? moduleFormat::plainNumber(run.bytes) : std::nullopt;
    if (!number) reject();
    return IndexedValue{index, *number};
}

void ModuleReader::skipCountedBytes() {
    const int count = takeByte();
    if (count != end) takeRun(static_cast<std::size_t>(count));
}

// Counted byte runs, letters with a number, and bracket groups.
void ModuleReader::skipLoadItems() {
    int c = takeByte();
    while (c != end && !isRecordType(c)) {
        if (c < 0x80) {
            giveBack();
            skipCountedBytes();
        } else if (c >= 0xC1 && c <= 0xD8) {
            readNumber();
        } else if (c == 0xBA || c == 0xBC || c == 0xBE) {
            skipBracketGroup(c + 1);
        }
        c = takeByte();
    }
    if (c != end) giveBack();
}

// A group whose opening byte is taken, up to and including `close`. A long
// number is read whole, so that its bytes can never close the group.
void ModuleReader::skipBracketGroup(int close) {
    for (;;) {
        const int c = takeByte();
        if (c == end || c == close) return;
        if (isLongNumber(c)) {
            giveBack();
            readNumber();
        }
    }
}

void ModuleReader::skipBody(std::int32_t type) {
    switch (type) {
    case rec::MB:
        readName();
        readName();
        break;
    case 0xE3:
        takeByte();
        readValue(Run::oneValue);
        break;
    case 0xE4:
    case 0xFA:
        skipLoadItems();
        break;
    case rec::SB:
    case 0xEE:
    case rec::RE:
    case rec::BE:
    case rec::ASG:
        readValue(Run::oneValue);
        break;
    case rec::ST:
        readNumber();
        readLetters();
        readName();
        readValue(Run::toRecordEnd);
        break;
    case rec::SA:
    case rec::AD:
    case rec::WX:
    case rec::ATI:
    case rec::ATN:
    case rec::ATX:
    case rec::blockBegin(20):
        readValue(Run::toRecordEnd);
        break;
    case 0xE8:
    case 0xE9:
    case rec::NN:
    case rec::blockBegin(1):
    case rec::blockBegin(2):
    case rec::blockBegin(3):
        readNumber();
        readName();
        break;
    case rec::LD:
        skipCountedBytes();
        break;
    case rec::TY:
        readNumber();
        takeByte();
        readNumber();
        readValue(Run::toRecordEnd);
        break;
    case rec::ASI:
    case rec::ASL:
    case rec::ASN:
    case rec::ASP:
    case rec::ASR:
    case rec::ASS:
        readNumber();
        readValue(Run::oneValue);
        break;
    case rec::ASW:
        readNumber();
        readNumber();
        break;
    case rec::blockBegin(4):
    case rec::blockBegin(5):
    case rec::blockBegin(6):
    case rec::blockBegin(11):
        readNumber();
        readName();
        readValue(Run::toRecordEnd);
        break;
    case rec::blockBegin(10):
        readNumber();
        readName();
        readName();
        readNumber();
        readName();
        readValue(Run::toRecordEnd);
        break;
    default:
        break;  // ME, the end of the module and every type without a known body
    }
}
