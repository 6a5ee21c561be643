// The byte-level reader of IEEE 695 modules: a cursor over the module's bytes,
// which it has read from the input (moduleBytes.h) as far as its reading
// reaches. Its operations return values; the ones that can meet a malformed
// module raise the illegal-format error themselves.
//
// A field cut off by the end of the module is read the way the module's records
// have always been read: every read at the end counts as one byte taken (a
// missing byte of a number counts as 0xFF), and the callers that need a whole
// field are given operations that refuse a cut one.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

#include "common/cancel.h"
#include "module/moduleFormat.h"
#include "module/malformedModule.h"
#include "module/moduleBytes.h"


namespace rec = moduleFormat::rec;

// Names inside the module: 255 characters and a terminator.
constexpr int nameBufferSize = 256;

// The longest record the reader takes, counted from its type byte, with every
// byte looked at past its end (the next record's type, or a read at the end).
constexpr std::size_t recordLimit = 8192;


// An expression run: the bytes it took from the module.
struct ValueRun {
    std::span<const std::uint8_t> bytes;
    // False when the module ended inside it, or when a byte that no value holds
    // stopped it (the bytes are then empty and that byte stays taken).
    bool complete = false;
};

// An ATN record's body: the attribute number (the third number) and its value.
struct Attribute {
    std::uint32_t number;
    ValueRun value;
};

// The body of an ASS, ASL or ASP record.
struct IndexedValue {
    std::uint32_t index;  // section index
    std::uint32_t value;  // size, base or load address
};

class ModuleReader {
public:
    // A reader over bytes that are all there.
    ModuleReader(std::span<const std::uint8_t> module, const char *inputName, const CancelFlags &cancel)
        : bytes_(module), inputName_(inputName), cancel_(cancel) {}
    // A reader over a module that is read from its input as the reader reaches
    // its bytes; to the reader it looks as if it were all there.
    ModuleReader(ModuleBytes &module, const char *inputName, const CancelFlags &cancel)
        : bytes_(module.bytes()), source_(&module), inputName_(inputName), cancel_(cancel) {}

    [[noreturn]] void reject() const;
    const CancelFlags &cancelFlags() const { return cancel_; }

    // Moves to a part or a unit; an offset past the end reads as the end.
    void seek(std::uint32_t offset);
    // The offset of the first type byte of the record being read.
    std::uint32_t recordOffset() const { return static_cast<std::uint32_t>(recordStart_); }

    // Begins a record: its type, or rec::endOfFile. A safe point for an interrupt.
    // A prefix byte that ends the module gives prefix * 256 - 1, no type.
    std::int32_t readRecordType() {
        checkInterrupt(cancel_);
        recordStart_ = pos_;
        // Away from the end both type bytes are there; near it the reads count.
        if (pos_ + 2 > bytes_.size()) return readRecordTypeNearEnd();
        const std::int32_t first = bytes_[pos_];
        if (first != 0xE2 && first != 0xF1 && first != 0xF8) {
            recordPeak_ = ++pos_;
            return first;
        }
        pos_ += 2;
        recordPeak_ = pos_;
        return first * 256 + bytes_[pos_ - 1];
    }
    // Goes back over the type just read, so that the next record is read again.
    void unreadRecordType(std::int32_t type);
    // A whole record of any type, its body passed over; one longer than the
    // limit raises.
    std::int32_t skipRecord();
    // Raises when the record being read has gone past the limit.
    void requireWholeRecord() const;

    // Fields, none of which raises.
    // A number: one byte below 0x81 is its own value, 0x81..0x88 the big-endian
    // bytes after it (low 32 bits). A record type is left for readRecordType
    // and gives 0, as does any other byte (taken).
    std::uint32_t readNumber();
    // A name: no value when the first byte opens no name (it stays taken) or
    // the module ends inside it.
    std::optional<std::string_view> readName();
    // Type letters, the last one in the low byte; 0 when there are none.
    std::uint32_t readLetters();
    // One value (ends after a comma or an omitted field), or all values up to
    // the next record.
    enum class Run { oneValue, toRecordEnd };
    ValueRun readValue(Run run);
    // ATN body: three numbers and a value run.
    Attribute readAttribute();

    // Checked fields and bodies.
    // A number that the end of the module must not cut off.
    std::uint32_t readWholeNumber();
    // A counted byte run (LD); raises when the module ends inside it.
    std::span<const std::uint8_t> readLoadBytes();
    // The same two, with nothing where they raise.
    std::optional<std::uint32_t> takeWholeNumber();
    std::optional<std::span<const std::uint8_t>> takeLoadBytes();
    // Whole LD records one after the other from here, as takeWholeLoad reads
    // them, with a safe point before each: records of fewer than `shortest`
    // bytes, copied to `to` + `filled` (`filled` grows) while they fit below
    // `room`; up to copySlack bytes past `room` may be written over. Stops
    // before any other record and before one with an interrupt pending, which
    // the next read raises. False when no record was taken.
    static constexpr std::size_t copySlack = 16;
    bool copyShortLoads(std::uint8_t *to, std::size_t &filled, std::size_t room, std::size_t shortest);
    // Whole LD records one after the other from here, passed over; `loaded`
    // grows by the bytes they carry.
    bool skipLoads(std::uint64_t &loaded);
    // The whole LD record that comes next, read as readRecordType and
    // readLoadBytes would read it; false, nothing taken, when the next record is
    // no LD record or the module ends inside it. No safe point: the caller polls.
    bool takeWholeLoad(std::span<const std::uint8_t> &bytes) {
        const std::size_t at = pos_;
        if (at + 1 >= bytes_.size() || bytes_[at] != rec::LD) return false;
        const std::size_t end = at + 2 + bytes_[at + 1];
        if (end > bytes_.size()) return false;
        recordStart_ = at;
        pos_ = recordPeak_ = end;
        bytes = bytes_.subspan(at + 2, end - at - 2);
        return true;
    }
    // A section index and a value that must be one plain number of at most four
    // bytes; raises on anything else, a cut record or a record past the limit.
    IndexedValue readIndexedValue();

private:
    static constexpr int end = -1;  // what a read at the end gives

    int takeByte();
    bool reach(std::size_t end);
    std::int32_t readRecordTypeNearEnd();
    bool takeRun(std::size_t count);
    void giveBack() { --pos_; }
    std::span<const std::uint8_t> taken(std::size_t from) const;
    void skipCountedBytes();
    void skipLoadItems();
    void skipBracketGroup(int close);
    void skipBody(std::int32_t type);

    // The bytes read so far: the fast ways stop short of their end, and the
    // others read on (reach) before they take the end for the module's.
    std::span<const std::uint8_t> bytes_;
    ModuleBytes *source_ = nullptr;  // where more of them come from, if anywhere
    const char *inputName_;
    CancelFlags cancel_;
    // The bytes taken so far; past the end it goes on counting the reads there.
    std::size_t pos_ = 0;
    std::size_t recordStart_ = 0;
    std::size_t recordPeak_ = 0;  // the furthest pos_ in the current record
    bool endMet_ = false;         // a read met the end since the last move
};

// The input module as the steps that read it see it: its bytes, read from the
// input as a step reaches them, its name for the messages, and the run's cancel
// flags. Many readers share the bytes, each with its own cursor.
struct ModuleSource {
    ModuleBytes &bytes;
    const char *name;
    CancelFlags cancel;
};

// A reader over the module, at its start.
inline ModuleReader readerOf(const ModuleSource &module) { return ModuleReader(module.bytes, module.name, module.cancel); }
