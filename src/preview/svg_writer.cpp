#include "preview/svg_writer.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>

#include "io/output_file.h"
#include "preview/profile_geometry.h"
#include "preview/xml_text.h"

namespace dxfprofile {
namespace {

constexpr double PICTURE_PIXELS = 800.0;  // the longer side of the picture
constexpr double MARGIN_SHARE = 0.05;     // of the drawing's larger extent, each side
constexpr double STROKE_SHARE = 0.0015;   // of the drawing's larger extent
constexpr double DOT_STROKES = 2.0;       // radius of a start mark
constexpr double CROSS_STROKES = 4.0;     // half the width of a point's cross
constexpr double PROFILE_PRECISION = 1e-6;
constexpr std::size_t NUMBER_BUFFER = 352;  // "%.6f" of the largest double

struct Frame {
    double x, y, width, height;  // the view box, in picture coordinates (y down)
    int decimals;                // enough for the view box to keep its margin
    double stroke, dot, cross;
};

// The view box around the geometry with a margin; strokes and marks in
// proportion to the drawing's size. False when the numbers overflow.
bool frameFor(const Bounds& bounds, Frame& frame) {
    double width = bounds.empty ? 0.0 : bounds.maxX - bounds.minX;
    double height = bounds.empty ? 0.0 : bounds.maxY - bounds.minY;
    double size = std::max(width, height);
    if (!std::isfinite(size)) return false;
    // A drawing no larger than the profile's precision (a single point, or
    // nothing) gets a box of one unit.
    if (size < PROFILE_PRECISION) size = 1.0;
    double margin = size * MARGIN_SHARE;
    frame.x = bounds.minX - margin;
    frame.y = -bounds.maxY - margin;
    frame.width = width + 2.0 * margin;
    frame.height = height + 2.0 * margin;
    frame.decimals = std::max(0, 1 - static_cast<int>(std::floor(std::log10(margin))));
    frame.stroke = size * STROKE_SHARE;
    frame.dot = frame.stroke * DOT_STROKES;
    frame.cross = frame.stroke * CROSS_STROKES;
    return std::isfinite(frame.x) && std::isfinite(frame.y) && std::isfinite(frame.width) &&
           std::isfinite(frame.height) && std::isfinite(-frame.y - frame.height);
}

void put(OutputFile& out, const char* text) {
    writeOutput(out, text, std::strlen(text));
}

void putFixed(OutputFile& out, double value, int decimals) {
    char text[NUMBER_BUFFER];
    int n = formatFixed(text, sizeof text, value, decimals);
    if (n < 0) {
        out.failed = true;
        return;
    }
    writeOutput(out, text, static_cast<std::size_t>(n));
}

void putCoordinate(OutputFile& out, double value) {
    putFixed(out, value, COORDINATE_DECIMALS);
}

// A stroke width or the size of a mark: three digits are plenty.
void putSize(OutputFile& out, double value) {
    char text[32];
    int n = std::snprintf(text, sizeof text, "%.3g", value + 0.0);
    writeOutput(out, text, static_cast<std::size_t>(n));
}

// The four numbers of the view box, as attributes or as a list.
void putBox(OutputFile& out, const Frame& frame, const char* const (&separators)[4]) {
    const double numbers[4] = {frame.x, frame.y, frame.width, frame.height};
    for (int i = 0; i < 4; ++i) {
        put(out, separators[i]);
        putFixed(out, numbers[i], frame.decimals);
    }
}

// A drawing point in picture coordinates: y turned down.
void putPoint(OutputFile& out, double x, double y) {
    putCoordinate(out, x);
    put(out, " ");
    putCoordinate(out, -y);
}

void putAttribute(OutputFile& out, const char* name, double value) {
    put(out, " ");
    put(out, name);
    put(out, "=\"");
    putCoordinate(out, value);
    put(out, "\"");
}

void putTitle(OutputFile& out, const ProfileRecord& record, const char* element) {
    put(out, "><title>");
    put(out, record.tag);
    put(out, "</title></");
    put(out, element);
    put(out, ">\n");
}

void putLine(OutputFile& out, const ProfileRecord& record) {
    put(out, "<line");
    putAttribute(out, "x1", record.values[0]);
    putAttribute(out, "y1", -record.values[1]);
    putAttribute(out, "x2", record.values[2]);
    putAttribute(out, "y2", -record.values[3]);
    putTitle(out, record, "line");
}

// The page's y axis points down, so SVG's positive sweep (flag 1) looks
// clockwise; the profile's anticlockwise arcs take flag 0.
void putArcTo(OutputFile& out, double radius, bool large, double x, double y) {
    put(out, " A ");
    putCoordinate(out, radius);
    put(out, " ");
    putCoordinate(out, radius);
    put(out, large ? " 0 1 0 " : " 0 0 0 ");
    putPoint(out, x, y);
}

void putArc(OutputFile& out, const ProfileRecord& record) {
    ArcGeometry arc = arcGeometry(record);
    put(out, "<path d=\"M ");
    putPoint(out, arc.startX, arc.startY);
    if (arc.sweep >= 360.0) {
        // An arc whose ends meet: two halves, as one SVG arc cannot close.
        double opposite = radians(record.values[5] + 180.0);
        putArcTo(out, arc.radius, false, record.values[0] + arc.radius * std::cos(opposite),
                 record.values[1] + arc.radius * std::sin(opposite));
        putArcTo(out, arc.radius, false, arc.startX, arc.startY);
    } else {
        putArcTo(out, arc.radius, arc.sweep > 180.0, arc.endX, arc.endY);
    }
    put(out, "\"");
    putTitle(out, record, "path");
}

void putCircle(OutputFile& out, const ProfileRecord& record) {
    put(out, "<circle");
    putAttribute(out, "cx", record.values[0]);
    putAttribute(out, "cy", -record.values[1]);
    putAttribute(out, "r", std::fabs(record.values[2]));
    putTitle(out, record, "circle");
}

// A point as a small upright cross about its position.
void putPointCross(OutputFile& out, const ProfileRecord& record, const Frame& frame) {
    put(out, "<path d=\"M ");
    putPoint(out, record.values[0], record.values[1]);
    put(out, " m ");
    putSize(out, -frame.cross);
    put(out, " 0 h ");
    putSize(out, 2.0 * frame.cross);
    put(out, " m ");
    putSize(out, -frame.cross);
    put(out, " ");
    putSize(out, -frame.cross);
    put(out, " v ");
    putSize(out, 2.0 * frame.cross);
    put(out, "\"");
    putTitle(out, record, "path");
}

void putStartMark(OutputFile& out, const ProfileRecord& record, const Frame& frame) {
    double x = record.values[0];
    double y = record.values[1];
    if (record.type == RECORD_ARC) {
        ArcGeometry arc = arcGeometry(record);
        x = arc.startX;
        y = arc.startY;
    }
    put(out, "<circle class=\"start\"");
    putAttribute(out, "cx", x);
    putAttribute(out, "cy", -y);
    put(out, " r=\"");
    putSize(out, frame.dot);
    put(out, "\"><title>");
    put(out, record.tag);
    put(out, " start</title></circle>\n");
}

void putHeader(OutputFile& out, const Profile& profile, const Frame& frame) {
    double longer = std::max(frame.width, frame.height);
    char pixels[96];
    std::snprintf(pixels, sizeof pixels, " width=\"%.6g\" height=\"%.6g\"",
                  PICTURE_PIXELS * (frame.width / longer),
                  PICTURE_PIXELS * (frame.height / longer));
    put(out, "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n");
    put(out, "<svg xmlns=\"http://www.w3.org/2000/svg\" version=\"1.1\"");
    put(out, pixels);
    putBox(out, frame, {" viewBox=\"", " ", " ", " "});
    put(out, "\">\n<title>");
    char name[LAYER_NAME_BUFFER * 8 + 1];
    if (escapeXmlText(name, sizeof name, profile.layerName) < 0) out.failed = true;
    put(out, name);
    put(out, " (");
    put(out, profile.identifier);
    put(out, ")</title>\n");
    char description[96];
    std::snprintf(description, sizeof description,
                  "<desc>%d records; a dot marks where each line and arc starts</desc>\n",
                  profile.count);
    put(out, description);
    // A white sheet, so that the black strokes show on dark pages too.
    putBox(out, frame, {"<rect x=\"", "\" y=\"", "\" width=\"", "\" height=\""});
    put(out, "\" fill=\"#fff\"/>\n");
}

void putRecords(OutputFile& out, const Profile& profile, const Frame& frame) {
    put(out, "<g fill=\"none\" stroke=\"#000\" stroke-width=\"");
    putSize(out, frame.stroke);
    put(out, "\" stroke-linecap=\"round\" stroke-linejoin=\"round\">\n");
    for (int i = 0; i < profile.count; ++i) {
        const ProfileRecord& record = profile.records[i];
        switch (record.type) {
            case RECORD_LINE:
                putLine(out, record);
                break;
            case RECORD_ARC:
                putArc(out, record);
                break;
            case RECORD_CIRCLE:
                putCircle(out, record);
                break;
            case RECORD_POINT:
                putPointCross(out, record, frame);
                break;
            default:
                break;
        }
    }
    put(out, "</g>\n<g fill=\"#d00000\" stroke=\"none\">\n");
    for (int i = 0; i < profile.count; ++i) {
        const ProfileRecord& record = profile.records[i];
        if (record.type == RECORD_LINE || record.type == RECORD_ARC)
            putStartMark(out, record, frame);
    }
    put(out, "</g>\n</svg>\n");
}

}  // namespace

int formatFixed(char* out, std::size_t size, double value, int decimals) {
    int n = std::snprintf(out, size, "%.*f", decimals, value);
    if (n < 0 || static_cast<std::size_t>(n) >= size) return -1;
    if (decimals > 0) {
        while (out[n - 1] == '0') --n;
        if (out[n - 1] == '.') --n;
        out[n] = '\0';
    }
    if (std::strcmp(out, "-0") == 0) {
        std::strcpy(out, "0");
        n = 1;
    }
    return n;
}

int writeSvg(const Profile& profile, const char* path) {
    Frame frame;
    if (!frameFor(profileBounds(profile), frame)) {
        std::fprintf(stderr, "Error: the drawing is too large to draw\n");
        return -1;
    }
    auto output = std::make_unique<OutputFile>();
    OutputFile& out = *output;
    if (openOutput(out, path) != 0) {
        std::fprintf(stderr, "Error: can't write output file %s\n", path);
        return -1;
    }
    putHeader(out, profile, frame);
    putRecords(out, profile, frame);
    if (commitOutput(out) != 0) {
        std::fprintf(stderr, "Error: can't write output file %s\n", path);
        return -1;
    }
    return 0;
}

}  // namespace dxfprofile
