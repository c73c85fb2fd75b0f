#include "preview/profile_reader.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <string_view>
#include <system_error>

#include "entities/profile_format.h"

namespace dxfprofile {
namespace {

constexpr int MAX_TOKENS = 16;
constexpr int QUOTE_LENGTH = 40;  // of file text repeated in a message

// The lines of the text one after the other, without their line ends.
struct LineCursor {
    std::string_view text;
    std::size_t position = 0;
    int number = 0;

    bool next(std::string_view& line) {
        if (position >= text.size()) return false;
        std::size_t end = text.find('\n', position);
        if (end == std::string_view::npos) end = text.size();
        line = text.substr(position, end - position);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        position = end + 1;
        ++number;
        return true;
    }
};

int fail(ProfileFault& fault, int line, const char* format, ...)
    __attribute__((format(printf, 3, 4)));

int fail(ProfileFault& fault, int line, const char* format, ...) {
    char* text = fault.message;
    std::size_t size = sizeof fault.message;
    int n = std::snprintf(text, size, "line %d: ", line);
    if (n >= 0 && static_cast<std::size_t>(n) < size) {
        va_list arguments;
        va_start(arguments, format);
        std::vsnprintf(text + n, size - static_cast<std::size_t>(n), format, arguments);
        va_end(arguments);
    }
    return -2;
}

int quoted(std::string_view text) {
    return static_cast<int>(std::min<std::size_t>(text.size(), QUOTE_LENGTH));
}

bool isIdentifier(std::string_view text) {
    if (text.size() != 12 || text[8] != '.') return false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (i != 8 && (text[i] < 'A' || text[i] > 'Z')) return false;
    }
    return true;
}

int splitTokens(std::string_view line, std::string_view (&tokens)[MAX_TOKENS]) {
    int count = 0;
    std::size_t position = 0;
    while (count < MAX_TOKENS) {
        position = line.find_first_not_of(" \t", position);
        if (position == std::string_view::npos) break;
        std::size_t end = line.find_first_of(" \t", position);
        if (end == std::string_view::npos) end = line.size();
        tokens[count++] = line.substr(position, end - position);
        position = end;
    }
    return count;
}

const RecordFormat* findKind(std::string_view word) {
    for (const RecordFormat& kind : RECORD_FORMATS) {
        if (kind.word == word) return &kind;
    }
    return nullptr;
}

bool isTag(std::string_view tag) {
    if (tag.size() < 3 || tag.size() >= sizeof ProfileRecord::tag) return false;
    if (tag[0] < 'A' || tag[0] > 'Z') return false;
    for (std::size_t i = 1; i < tag.size(); ++i) {
        if (tag[i] < '0' || tag[i] > '9') return false;
    }
    return true;
}

// Parses the whole token as a number; false when any of it is left over.
template <typename Number>
bool parseNumber(std::string_view token, Number& number) {
    const char* end = token.data() + token.size();
    std::from_chars_result result = std::from_chars(token.data(), end, number);
    return result.ec == std::errc() && result.ptr == end;
}

int parseHeader(LineCursor& lines, Profile& profile, ProfileFault& fault) {
    std::string_view line;
    if (!lines.next(line)) return fail(fault, 1, "no header \"layer,IDENT\"");
    std::size_t comma = line.rfind(',');
    if (comma == std::string_view::npos) return fail(fault, 1, "no header \"layer,IDENT\"");
    std::string_view name = line.substr(0, comma);
    std::string_view identifier = line.substr(comma + 1);
    if (!isIdentifier(identifier)) {
        return fail(fault, 1, "identifier \"%.*s\" is not of the form ABCDEFGH.IJK",
                    quoted(identifier), identifier.data());
    }
    if (name.size() >= sizeof profile.layerName) {
        return fail(fault, 1, "layer name longer than %zu characters",
                    sizeof profile.layerName - 1);
    }
    std::memcpy(profile.layerName, name.data(), name.size());
    profile.layerName[name.size()] = '\0';
    std::memcpy(profile.identifier, identifier.data(), identifier.size());
    profile.identifier[identifier.size()] = '\0';
    return 0;
}

int parseCount(LineCursor& lines, Profile& profile, ProfileFault& fault) {
    std::string_view line;
    if (!lines.next(line)) return fail(fault, 2, "no record count");
    bool digits = !line.empty() && line.find_first_not_of("0123456789") == std::string_view::npos;
    if (!digits) {
        return fail(fault, 2, "record count \"%.*s\" is not a number", quoted(line), line.data());
    }
    int count = 0;
    if (!parseNumber(line, count) || count > PROFILE_RECORDS) {
        return fail(fault, 2, "record count %.*s is more than %d", quoted(line), line.data(),
                    PROFILE_RECORDS);
    }
    profile.count = count;
    return 0;
}

int parseValues(const std::string_view* tokens, const RecordFormat& kind, int line,
                ProfileRecord& record, ProfileFault& fault) {
    for (int i = 0; i < kind.values; ++i) {
        std::string_view token = tokens[i];
        double value = 0.0;
        if (!parseNumber(token, value)) {
            return fail(fault, line, "value %d \"%.*s\" is not a number", i + 1, quoted(token),
                        token.data());
        }
        if (!std::isfinite(value)) {
            return fail(fault, line, "value %d \"%.*s\" is not finite", i + 1, quoted(token),
                        token.data());
        }
        record.values[i] = value;
    }
    return 0;
}

int parseRecord(std::string_view text, int line, ProfileRecord& record, ProfileFault& fault) {
    std::string_view tokens[MAX_TOKENS];
    int count = splitTokens(text, tokens);
    if (count == 0) return fail(fault, line, "empty line where a record belongs");
    const RecordFormat* kind = findKind(tokens[0]);
    if (kind == nullptr) {
        return fail(fault, line, "\"%.*s\" is not LINE, ARC, POINT or CIRCLE", quoted(tokens[0]),
                    tokens[0].data());
    }
    if (count < 3) {
        return fail(fault, line, "%s record without tag and type code", kind->word.data());
    }
    if (!isTag(tokens[1])) {
        return fail(fault, line, "tag \"%.*s\" is not a letter and a number", quoted(tokens[1]),
                    tokens[1].data());
    }
    if (tokens[1][0] != kind->letter) {
        return fail(fault, line, "%s record with tag %.*s", kind->word.data(), quoted(tokens[1]),
                    tokens[1].data());
    }
    int type = 0;
    if (!parseNumber(tokens[2], type)) {
        return fail(fault, line, "type code \"%.*s\" is not a number", quoted(tokens[2]),
                    tokens[2].data());
    }
    if (type < ENTITY_LINE || type > ENTITY_CIRCLE) {
        return fail(fault, line, "type code %d is outside 101 to 104", type);
    }
    if (type != kind->type) {
        return fail(fault, line, "%s record with type code %d", kind->word.data(), type);
    }
    int values = count - 3;
    if (values != kind->values) {
        return fail(fault, line, "%s record with %s%d values (%d expected)", kind->word.data(),
                    count == MAX_TOKENS ? "at least " : "", values, kind->values);
    }
    record.type = type;
    std::memcpy(record.tag, tokens[1].data(), tokens[1].size());
    record.tag[tokens[1].size()] = '\0';
    record.line = line;
    return parseValues(tokens + 3, *kind, line, record, fault);
}

int parseEnd(LineCursor& lines, const Profile& profile, ProfileFault& fault) {
    std::string_view line;
    int number = lines.number + 1;
    if (!lines.next(line)) return fail(fault, number, "file ends without EOF");
    if (line != "EOF") {
        std::string_view tokens[MAX_TOKENS];
        if (splitTokens(line, tokens) > 0 && findKind(tokens[0]) != nullptr) {
            return fail(fault, number, "more records than the count %d on line 2", profile.count);
        }
        return fail(fault, number, "EOF expected");
    }
    while (lines.next(line)) {
        if (line.find_first_not_of(" \t") != std::string_view::npos) {
            return fail(fault, lines.number, "text after EOF");
        }
    }
    return 0;
}

}  // namespace

int parseProfile(const char* text, std::size_t size, Profile& profile, ProfileFault& fault) {
    LineCursor lines{std::string_view(text, size)};
    if (int status = parseHeader(lines, profile, fault); status != 0) return status;
    if (int status = parseCount(lines, profile, fault); status != 0) return status;
    for (int i = 0; i < profile.count; ++i) {
        std::string_view line;
        int number = lines.number + 1;
        if (!lines.next(line)) {
            return fail(fault, number, "file ends after %d of %d records", i, profile.count);
        }
        if (line == "EOF") {
            return fail(fault, number, "EOF after %d of %d records", i, profile.count);
        }
        if (int status = parseRecord(line, number, profile.records[i], fault); status != 0) {
            return status;
        }
    }
    return parseEnd(lines, profile, fault);
}

int readProfile(const char* path, Profile& profile) {
    static char text[PROFILE_BYTES + 1];
    std::FILE* input = std::fopen(path, "rb");
    if (input == nullptr) {
        std::fprintf(stderr, "Error: can't open profile file %s\n", path);
        return -1;
    }
    std::size_t size = std::fread(text, 1, sizeof text, input);
    bool failed = std::ferror(input) != 0;
    std::fclose(input);
    if (failed) {
        std::fprintf(stderr, "Error: can't read profile file %s\n", path);
        return -1;
    }
    if (size > PROFILE_BYTES) {
        std::fprintf(stderr, "Error: %s is larger than %zu bytes; not a profile\n", path,
                     PROFILE_BYTES);
        return -2;
    }
    ProfileFault fault;
    if (parseProfile(text, size, profile, fault) != 0) {
        std::fprintf(stderr, "Error: %s, %s\n", path, fault.message);
        return -2;
    }
    return 0;
}

}  // namespace dxfprofile
