#include "preview/svg_writer.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

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

OutputFile svgOutput;

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

void put(const char* text) {
    writeOutput(svgOutput, text, std::strlen(text));
}

void putFixed(double value, int decimals) {
    char text[NUMBER_BUFFER];
    int n = formatFixed(text, sizeof text, value, decimals);
    if (n < 0) {
        svgOutput.failed = true;
        return;
    }
    writeOutput(svgOutput, text, static_cast<std::size_t>(n));
}

void putCoordinate(double value) {
    putFixed(value, COORDINATE_DECIMALS);
}

// A stroke width or the size of a mark: three digits are plenty.
void putSize(double value) {
    char text[32];
    int n = std::snprintf(text, sizeof text, "%.3g", value + 0.0);
    writeOutput(svgOutput, text, static_cast<std::size_t>(n));
}

// The four numbers of the view box, as attributes or as a list.
void putBox(const Frame& frame, const char* const (&separators)[4]) {
    const double numbers[4] = {frame.x, frame.y, frame.width, frame.height};
    for (int i = 0; i < 4; ++i) {
        put(separators[i]);
        putFixed(numbers[i], frame.decimals);
    }
}

// A drawing point in picture coordinates: y turned down.
void putPoint(double x, double y) {
    putCoordinate(x);
    put(" ");
    putCoordinate(-y);
}

void putAttribute(const char* name, double value) {
    put(" ");
    put(name);
    put("=\"");
    putCoordinate(value);
    put("\"");
}

void putTitle(const ProfileRecord& record, const char* element) {
    put("><title>");
    put(record.tag);
    put("</title></");
    put(element);
    put(">\n");
}

void putLine(const ProfileRecord& record) {
    put("<line");
    putAttribute("x1", record.values[0]);
    putAttribute("y1", -record.values[1]);
    putAttribute("x2", record.values[2]);
    putAttribute("y2", -record.values[3]);
    putTitle(record, "line");
}

// The page's y axis points down, so SVG's positive sweep (flag 1) looks
// clockwise; the profile's anticlockwise arcs take flag 0.
void putArcTo(double radius, bool large, double x, double y) {
    put(" A ");
    putCoordinate(radius);
    put(" ");
    putCoordinate(radius);
    put(large ? " 0 1 0 " : " 0 0 0 ");
    putPoint(x, y);
}

void putArc(const ProfileRecord& record) {
    ArcGeometry arc = arcGeometry(record);
    put("<path d=\"M ");
    putPoint(arc.startX, arc.startY);
    if (arc.sweep >= 360.0) {
        // An arc whose ends meet: two halves, as one SVG arc cannot close.
        double opposite = radians(record.values[5] + 180.0);
        putArcTo(arc.radius, false, record.values[0] + arc.radius * std::cos(opposite),
                 record.values[1] + arc.radius * std::sin(opposite));
        putArcTo(arc.radius, false, arc.startX, arc.startY);
    } else {
        putArcTo(arc.radius, arc.sweep > 180.0, arc.endX, arc.endY);
    }
    put("\"");
    putTitle(record, "path");
}

void putCircle(const ProfileRecord& record) {
    put("<circle");
    putAttribute("cx", record.values[0]);
    putAttribute("cy", -record.values[1]);
    putAttribute("r", std::fabs(record.values[2]));
    putTitle(record, "circle");
}

// A point as a small upright cross about its position.
void putPointCross(const ProfileRecord& record, const Frame& frame) {
    put("<path d=\"M ");
    putPoint(record.values[0], record.values[1]);
    put(" m ");
    putSize(-frame.cross);
    put(" 0 h ");
    putSize(2.0 * frame.cross);
    put(" m ");
    putSize(-frame.cross);
    put(" ");
    putSize(-frame.cross);
    put(" v ");
    putSize(2.0 * frame.cross);
    put("\"");
    putTitle(record, "path");
}

void putStartMark(const ProfileRecord& record, const Frame& frame) {
    double x = record.values[0];
    double y = record.values[1];
    if (record.type == RECORD_ARC) {
        ArcGeometry arc = arcGeometry(record);
        x = arc.startX;
        y = arc.startY;
    }
    put("<circle class=\"start\"");
    putAttribute("cx", x);
    putAttribute("cy", -y);
    put(" r=\"");
    putSize(frame.dot);
    put("\"><title>");
    put(record.tag);
    put(" start</title></circle>\n");
}

void putHeader(const Profile& profile, const Frame& frame) {
    double longer = std::max(frame.width, frame.height);
    char pixels[96];
    std::snprintf(pixels, sizeof pixels, " width=\"%.6g\" height=\"%.6g\"",
                  PICTURE_PIXELS * (frame.width / longer),
                  PICTURE_PIXELS * (frame.height / longer));
    put("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n");
    put("<svg xmlns=\"http://www.w3.org/2000/svg\" version=\"1.1\"");
    put(pixels);
    putBox(frame, {" viewBox=\"", " ", " ", " "});
    put("\">\n<title>");
    char name[LAYER_NAME_BUFFER * 8 + 1];
    if (escapeXmlText(name, sizeof name, profile.layerName) < 0) svgOutput.failed = true;
    put(name);
    put(" (");
    put(profile.identifier);
    put(")</title>\n");
    char description[96];
    std::snprintf(description, sizeof description,
                  "<desc>%d records; a dot marks where each line and arc starts</desc>\n",
                  profile.count);
    put(description);
    // A white sheet, so that the black strokes show on dark pages too.
    putBox(frame, {"<rect x=\"", "\" y=\"", "\" width=\"", "\" height=\""});
    put("\" fill=\"#fff\"/>\n");
}

void putRecords(const Profile& profile, const Frame& frame) {
    put("<g fill=\"none\" stroke=\"#000\" stroke-width=\"");
    putSize(frame.stroke);
    put("\" stroke-linecap=\"round\" stroke-linejoin=\"round\">\n");
    for (int i = 0; i < profile.count; ++i) {
        const ProfileRecord& record = profile.records[i];
        switch (record.type) {
            case RECORD_LINE:
                putLine(record);
                break;
            case RECORD_ARC:
                putArc(record);
                break;
            case RECORD_CIRCLE:
                putCircle(record);
                break;
            case RECORD_POINT:
                putPointCross(record, frame);
                break;
            default:
                break;
        }
    }
    put("</g>\n<g fill=\"#d00000\" stroke=\"none\">\n");
    for (int i = 0; i < profile.count; ++i) {
        const ProfileRecord& record = profile.records[i];
        if (record.type == RECORD_LINE || record.type == RECORD_ARC) putStartMark(record, frame);
    }
    put("</g>\n</svg>\n");
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
    if (openOutput(svgOutput, path) != 0) {
        std::fprintf(stderr, "Error: can't write output file %s\n", path);
        return -1;
    }
    putHeader(profile, frame);
    putRecords(profile, frame);
    if (commitOutput(svgOutput) != 0) {
        std::fprintf(stderr, "Error: can't write output file %s\n", path);
        return -1;
    }
    return 0;
}

}  // namespace dxfprofile
