#include "dxf/layer_hint.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "bytes/line_source.h"
#include "dxf/group_reader.h"
#include "dxf/section_layers.h"
#include "dxf/section_search.h"
#include "io/diagnostics.h"
#include "io/text_encoding.h"

namespace dxfprofile {
namespace {

// A given name of 251 characters written with \U+XXXX escapes, and blanks.
constexpr std::size_t LONGEST_HINT = 4096;

int hexDigit(char32_t c) {
    if (c >= '0' && c <= '9') return static_cast<int>(c - '0');
    if (c >= 'a' && c <= 'f') return static_cast<int>(c - 'a' + 10);
    if (c >= 'A' && c <= 'F') return static_cast<int>(c - 'A' + 10);
    return -1;
}

// Replaces each \U+XXXX (four hex digits) with its character.
std::u32string withoutEscapes(const std::u32string& text) {
    std::u32string plain;
    for (std::size_t at = 0; at < text.size(); ++at) {
        if (at + 7 <= text.size() && text[at] == '\\' &&
            (text[at + 1] == 'U' || text[at + 1] == 'u') && text[at + 2] == '+') {
            char32_t c = 0;
            int i = 3;
            for (; i < 7 && hexDigit(text[at + i]) >= 0; ++i) c = c << 4 | hexDigit(text[at + i]);
            if (i == 7) {
                plain.push_back(c);
                at += 6;
                continue;
            }
        }
        plain.push_back(text[at]);
    }
    return plain;
}

// The lower-case letter of the upper-case letters of ASCII and Windows-1252.
char32_t lowerCase(char32_t c) {
    if ((c >= 'A' && c <= 'Z') || (c >= 0xC0 && c <= 0xDE && c != 0xD7)) return c + 0x20;
    if (c == 0x0160 || c == 0x0152 || c == 0x017D) return c + 1;  // Š Œ Ž
    if (c == 0x0178) return 0xFF;                                 // Ÿ
    return c;
}

bool isBlank(char32_t c) {
    return c == ' ' || c == '\t';
}

}  // namespace

std::u32string layerNameKey(std::string_view name) {
    std::u32string text;
    if (!decodeUtf8(name, text)) text = decodeWindows1252(name);
    text = withoutEscapes(text);
    std::size_t first = 0;
    std::size_t last = text.size();
    while (first < last && isBlank(text[first])) ++first;
    while (last > first && isBlank(text[last - 1])) --last;
    std::u32string key;
    for (std::size_t at = first; at < last; ++at) key.push_back(lowerCase(text[at]));
    return key;
}

bool resemblesLayerName(std::string_view given, std::string_view name) {
    return given != name && layerNameKey(given) == layerNameKey(name);
}

namespace {

// A layers file larger than this is not read for hints: the file itself is.
constexpr off_t LARGEST_LAYERS_FILE = off_t{1} << 24;

// The names of the layers file that mode 2 wrote with the SDXF file `path`:
// true when it is there, a regular file, no older than the SDXF file.
bool readLayersFile(const char* layersPath, const char* path, std::vector<std::string>& names) {
    struct stat sdxf;
    struct stat layers;
    if (layersPath == nullptr || ::stat(path, &sdxf) != 0 || ::stat(layersPath, &layers) != 0 ||
        !S_ISREG(layers.st_mode) || layers.st_size > LARGEST_LAYERS_FILE ||
        layers.st_mtim.tv_sec < sdxf.st_mtim.tv_sec ||
        (layers.st_mtim.tv_sec == sdxf.st_mtim.tv_sec &&
         layers.st_mtim.tv_nsec < sdxf.st_mtim.tv_nsec))
        return false;
    int fd = ::open(layersPath, O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) return false;
    std::string text(static_cast<std::size_t>(layers.st_size), '\0');
    ssize_t got = ::read(fd, text.data(), text.size());
    ::close(fd);
    if (got != static_cast<ssize_t>(text.size())) return false;
    for (std::size_t start = 0; start < text.size();) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        if (end - start <= LONGEST_HINT) names.emplace_back(text, start, end - start);
        start = end + 1;
    }
    return true;
}

}  // namespace

std::vector<std::string> readLayerNames(const char* path, bool drawing,
                                        const LayerCollector& collect, const char* layersPath) {
    std::vector<std::string> names;
    if (!drawing && readLayersFile(layersPath, path, names)) return names;
    // Only a file: a pipe has been read already and would wait for a writer.
    int fd = ::open(path, O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) return names;
    struct stat info;
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd);
        return names;
    }
    NameSet layers;
    {
        LineSource source;
        source.attach(fd);
        GroupReader reader(source, true);
        reader.startHere();
        // A drawing's sections before ENTITIES are passed over.
        std::string section;
        bool found = !drawing;
        while (!found && findSection(reader, section) == SectionSearch::found)
            found = section == "ENTITIES";
        // The first line names the section; the groups follow it.
        Piece first;
        if (found && source.nextPiece(first) && source.skipRestOfLine(first)) {
            reader.startHere();
            collect(reader, layers);
        }
    }
    ::close(fd);
    // A longer name resembles no name that the command line can give.
    for (const std::string& name : layers.names()) {
        if (name.size() <= LONGEST_HINT) names.push_back(name);
    }
    return names;
}

void noteMissingLayer(const char* path, const char* layerName, bool drawing,
                      const LayerCollector& collect, const char* layersPath) {
    std::string hints;
    for (const std::string& name : readLayerNames(path, drawing, collect, layersPath)) {
        if (!resemblesLayerName(layerName, name)) continue;
        hints += (hints.empty() ? "; similar layers: " : " ") + shellQuoted(name);
    }
    noteFailure("layer %s not found in %s%s", shellQuoted(layerName).c_str(), path, hints.c_str());
}

}  // namespace dxfprofile
