#include "mapText.h"

#include <cstdio>

namespace modinspect {

std::string escapeHtml(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (const char c : text) {
        switch (c) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '"': out += "&quot;"; break;
        case '\'': out += "&#39;"; break;
        default:
            // A module's names are bytes, not always UTF-8: other control and
            // high bytes are written as their code so that the page stays valid.
            const unsigned byte = static_cast<unsigned char>(c);
            if (byte < 0x20 || byte >= 0x7F) {
                char code[16];
                std::snprintf(code, sizeof code, "&#%u;", byte < 0x20 ? 0x2400 + byte : byte);
                out += code;
            } else {
                out += c;
            }
        }
    }
    return out;
}

std::string hexAddress(std::uint32_t address) {
    char text[16];
    std::snprintf(text, sizeof text, "%05X", static_cast<unsigned>(address));
    return text;
}

std::string byteCount(std::uint64_t bytes) {
    const std::string plain = std::to_string(bytes);
    std::string digits;
    for (std::size_t k = 0; k < plain.size(); ++k) {
        if (k > 0 && (plain.size() - k) % 3 == 0) digits += ',';
        digits += plain[k];
    }
    return digits + (bytes == 1 ? " byte" : " bytes");
}

std::string pixels(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.1f", value);
    return text;
}

}  // namespace modinspect
