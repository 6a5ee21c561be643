// The program's own words: the numbered error and warning texts with their exit
// statuses. Every console message is chosen from these tables by number.
#pragma once

// Error codes (fatalError). 21 is not used; 100 is the interrupt.
namespace err {
constexpr int usage = 0;
constexpr int cantOpen = 1;
constexpr int cantCreate = 2;
constexpr int cantClose = 3;
constexpr int noMemory = 4;
constexpr int invalidOption = 5;
constexpr int notAppropriate = 6;
constexpr int unknownExtension = 7;
constexpr int multipleOption = 8;
constexpr int entryExceeds = 9;
constexpr int illegalFormat = 10;
constexpr int entryTooLong = 11;
constexpr int mcuMismatch = 12;
constexpr int multipleProtect = 13;
constexpr int binaryBlankPart = 14;
constexpr int rangeFormat = 15;
constexpr int dualAreaBinary = 16;
constexpr int rangeAddress = 17;
constexpr int noData = 18;
constexpr int fillFormat = 19;
constexpr int fillExceeds = 20;
constexpr int outOfRange = 22;
constexpr int cantUseWith = 23;
constexpr int cantUseInTq40 = 24;
constexpr int binaryGoesBack = 25;  // data that would move a binary image backwards
constexpr int interrupted = 100;
constexpr int versionShown = 101;  // "-v" answered: the run ends at once, with status 0
}  // namespace err

// Warning codes (warn). 5 is not used.
namespace wrn {
constexpr int noObjectData = 0;
constexpr int addressExceeds = 1;
constexpr int noCodeData = 2;
constexpr int noRomdataData = 3;
constexpr int originalHex = 4;
constexpr int idNotProcessed = 6;
constexpr int protectNotProcessed = 7;
constexpr int ofsregNotProcessed = 8;
constexpr int outsideBinaryImage = 9;  // a security byte the binary image does not reach
}  // namespace wrn

struct ErrorMessage {
    const char *text;  // printf-style, "%s" placeholders only; nullptr for the interrupt
    int exitStatus;
};

// The entry for an error code; an unknown code yields nullptr.
const ErrorMessage *findError(int code);
// The text of a warning code; an unknown code yields nullptr.
const char *findWarning(int code);

// The prefixes of console messages (each with its trailing blank).
extern const char errorPrefix[];
extern const char warningPrefix[];
