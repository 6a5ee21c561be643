#include "common/messages.h"

const char errorPrefix[] = "Error (romcast): ";
const char warningPrefix[] = "Warning (romcast): ";

namespace {

struct ErrorEntry {
    int code;
    ErrorMessage message;
};

// In code 10 the opening quote is a grave accent and the closing one an apostrophe.
const ErrorEntry errorTable[] = {
    {err::usage, {"Usage: %s [options] <filename>\n", 4}},
    {err::cantOpen, {"Can't open file '%s'\n", 2}},
    {err::cantCreate, {"Can't create file '%s'\n", 2}},
    {err::cantClose, {"Can't close file '%s'\n", 2}},
    {err::noMemory, {"Not enough memory\n", 2}},
    {err::invalidOption, {"Invalid option '%s' is used\n", 4}},
    {err::notAppropriate, {"Option '%s' is not appropriate\n", 4}},
    {err::unknownExtension, {"Unknown file extension '%s' is specified\n", 4}},
    {err::multipleOption, {"'%s' option multiple specified\n", 4}},
    {err::entryExceeds, {"Address specified by '-e' option exceed %s\n", 4}},
    {err::illegalFormat, {"Illegal file format `%s' is used\n", 3}},
    {err::entryTooLong, {"'-e' option is too long\n", 4}},
    {err::mcuMismatch, {"MCU information mismatch '%s'\n", 4}},
    {err::multipleProtect, {"'-protect' or '-ofsreg' option multiple specified\n", 4}},
    {err::binaryBlankPart, {"Binary-File '%s' Blank-part discovered\n", 4}},
    {err::rangeFormat, {"'-A' Option Illegal format '-A StartAddr:EndAddr'\n", 4}},
    {err::dualAreaBinary, {"TQ40/51-X mode can not generate binary-file\n", 4}},
    {err::rangeAddress, {"'-A' Option Illegal address\n", 4}},
    {err::noData, {"The data to output in %s doesn't exist\n", 3}},
    {err::fillFormat, {"'-F' Option Illegal format '-F Data:StartAddr:EndAddr'\n", 4}},
    {err::fillExceeds, {"Address specified by '-F' option exceed output address\n", 4}},
    {err::outOfRange, {"Value is out range '%s'\n", 4}},
    {err::cantUseWith, {"Specified an option that can't be used with '%s'\n", 4}},
    {err::cantUseInTq40, {"Specified an option that can't be used in TQ40\n", 4}},
    {err::binaryGoesBack, {"Data at address %s of '%s' lies below data already written to the binary image\n", 3}},
    {err::interrupted, {nullptr, 1}},
    {err::versionShown, {nullptr, 0}},
};

struct WarningEntry {
    int code;
    const char *text;
};

const WarningEntry warningTable[] = {
    {wrn::noObjectData, "'%s' does not contain object data\n"},
    {wrn::addressExceeds, "Address exceed %s\n"},
    {wrn::noCodeData, "'%s' does not contain object data in 'CODE' section \n"},
    {wrn::noRomdataData, "'%s' does not contain object data in 'ROMDATA' section\n"},
    {wrn::originalHex, "Original HEX format is generated\n"},
    {wrn::idNotProcessed, "'-ID' option isn't processed\n"},
    {wrn::protectNotProcessed, "'-protect' or '-ofsreg' option isn't processed\n"},
    {wrn::ofsregNotProcessed, "'-ofsreg' option isn't processed\n"},
    {wrn::outsideBinaryImage, "%s lies outside the binary image and is not written\n"},
};

}  // namespace

const ErrorMessage *findError(int code) {
    for (const ErrorEntry &entry : errorTable)
        if (entry.code == code) return &entry.message;
    return nullptr;
}

const char *findWarning(int code) {
    for (const WarningEntry &entry : warningTable)
        if (entry.code == code) return entry.text;
    return nullptr;
}
