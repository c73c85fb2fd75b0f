#include "dxf/entity_head.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "kinds/kind_table.h"

namespace dxfprofile {
namespace {

class Layers final : public LayerWanted {
  public:
    explicit Layers(const char* name) : name_(name) {}
    bool wants(std::string_view layer) const override { return name_ == nullptr || layer == name_; }

  private:
    const char* name_;  // nullptr: every layer
};

const std::string LONG_LAYER(70, 'L');
const std::string TEXT = "  0\nTEXT\n  8\n" + LONG_LAYER + "\n  1\n" + std::string(90, 'T') + "\n";

// Entities of many shapes; layer names and values that look like layer
// lines stand where a search may take them for an entity's layer.
const std::string ENTITIES =
    "  0\nLINE\n  5\n1F\n100\nAcDbEntity\n  8\nAFTER\n100\nAcDbLine\n 10\n1\n"
    "  0\r\nCIRCLE\r\n  8\r\nBEFORE\r\n100\r\nAcDbEntity\r\n 40\r\n2\r\n"
    "  0\nLINE\n  1\n  8\n 8\nR12\n 10\n  8\n 20\n0\n"
    "  0\nARC\n 67\n1\n8\nPAPER\n"
    "  0\nARC\n  8\nPAPER\n 67\n1\n"
    "  0\nLINE\n 10\n1\n 20\nAFTER\n"
    "  0\nPOLYLINE\n  8\nAFTER\n 66\n1\n"
    "  0\nVERTEX\n  8\nVERTEX\n 10\n0\n  0\nSEQEND\n  8\nSEQEND\n" +
    TEXT + "  0\nPOINT\n  8\nBEFORE\n  8\nAFTER\n";

struct Head {
    std::string kind;
    std::string layer;
    std::uint64_t line = 0;
    std::string codes;  // of the entity's groups after its group 0
    int read = 1;       // what readEntityGroups gives
    bool operator==(const Head&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Head& head) {
    return out << head.kind << " " << head.layer << " " << head.line << " " << head.codes << " "
               << head.read;
}

const std::vector<Head> HEADS = {
    {"LINE", "AFTER", 1, "5 100 8 100 10"}, {"CIRCLE", "BEFORE", 13, "8 100 40"},
    {"LINE", "R12", 21, "1 8 10 20"},       {"ARC", "PAPER", 31, "67 8"},
    {"ARC", "PAPER", 37, "8 67"},           {"POLYLINE", "AFTER", 49, "8 66"},
    {"TEXT", LONG_LAYER, 65, "8 1"},        {"POINT", "BEFORE", 71, "8 8"},
};

// The heads on `layer` (every layer for nullptr) as the scans read them:
// each head, then its whole entity, up to the end of the section or file.
std::vector<Head> readHeads(const std::string& bytes, const SourceSettings& settings,
                            const char* layer, bool lookFor, HeadResult& last) {
    LineSource source(settings);
    source.attachSpan(bytes.data(), bytes.size());
    GroupReader reader(source);
    reader.startHere();
    Layers wanted(layer);
    EntityHeads heads(reader, wanted, isSubEntity);
    if (lookFor) heads.lookFor(layer);
    std::vector<Head> found;
    EntityHead head;
    EntityGroups entity;
    while ((last = heads.next(head)) == HeadResult::head) {
        found.push_back(
            {head.kind, head.layer, head.line, "", readEntityGroups(reader, head, entity)});
        EXPECT_EQ(entity.kind, head.kind);
        for (const EntityGroup& group : entity.groups) {
            found.back().codes +=
                (found.back().codes.empty() ? "" : " ") + std::to_string(group.code);
        }
    }
    return found;
}

TEST(EntityHeads, ReadTheSameHeadsWithEveryReadingAndLayer) {
    const auto lines =
        static_cast<std::uint64_t>(std::count(ENTITIES.begin(), ENTITIES.end(), '\n'));
    for (bool sectionEnds : {true, false}) {
        // Three times over, so that searches find heads at many places of a block.
        const std::string bytes =
            ENTITIES + ENTITIES + ENTITIES + (sectionEnds ? "  0\nENDSEC\n" : "");
        for (const char* layer : {static_cast<const char*>(nullptr), "AFTER", "BEFORE", "R12",
                                  "PAPER", "SEQEND", "VERTEX", LONG_LAYER.c_str()}) {
            std::vector<Head> expected;
            for (std::uint64_t copy = 0; copy < 3; ++copy) {
                for (Head head : HEADS) {
                    head.line += copy * lines;
                    // The last entity ends with the file.
                    head.read = sectionEnds || head.line != 2 * lines + 71;
                    if (layer == nullptr || head.layer == layer) expected.push_back(head);
                }
            }
            for (std::size_t limit :
                 {std::size_t{1}, std::size_t{7}, std::size_t{64}, SOURCE_BLOCK}) {
                for (bool bulk : {true, false}) {
                    for (bool lookFor : {true, false}) {
                        if (lookFor && layer == nullptr) continue;
                        SCOPED_TRACE(::testing::Message()
                                     << (layer ? layer : "every layer") << ", reads of " << limit
                                     << ", bulk " << bulk << ", lookFor " << lookFor << ", ENDSEC "
                                     << sectionEnds);
                        HeadResult last = HeadResult::head;
                        EXPECT_EQ(readHeads(bytes, {bulk, limit, limit != 7}, layer, lookFor, last),
                                  expected);
                        EXPECT_EQ(last, sectionEnds ? HeadResult::sectionEnd : HeadResult::fileEnd);
                    }
                }
            }
        }
    }
}

}  // namespace
}  // namespace dxfprofile
