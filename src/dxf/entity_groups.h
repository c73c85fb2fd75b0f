// An entity as its groups: what the entity readers compute their records
// from, without a file.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace dxfprofile {

struct EntityGroup {
    int code = 0;
    std::string value;
    std::uint64_t line = 0;  // the line of its code; the value stands on the next one
};

struct EntityGroups {
    std::string kind;                 // the value of its group 0
    std::uint64_t line = 0;           // the line of its group 0
    std::vector<EntityGroup> groups;  // the groups after its group 0, in file order
};

// The first group `code` of the entity, or nullptr.
const EntityGroup* findGroup(const EntityGroups& entity, int code);

// The value of the first group `code` as a number (atof, atoi), or
// `fallback` when the entity has no such group.
double realValue(const EntityGroups& entity, int code, double fallback = 0.0);
int integerValue(const EntityGroups& entity, int code, int fallback = 0);

// The values that a reader takes from an entity, each checked as it is
// taken: the first one that is not a finite number, or that a record cannot
// hold in single precision, is kept with the line it stands on.
class EntityValues {
  public:
    explicit EntityValues(const EntityGroups& entity) : entity_(entity) {}

    // The first group `code` as a number, or `fallback`.
    double real(int code, double fallback = 0.0);
    double real(const EntityGroup& group);
    // A record value made from the value of `line`, narrowed.
    float narrow(double value, std::uint64_t line);
    // The line of the value of the first group `code`, or of the entity's group 0.
    std::uint64_t lineOf(int code) const;

    bool failed() const { return failed_; }
    std::uint64_t faultLine() const { return faultLine_; }
    // Refuses the entity for the value on `line`: no record can hold it.
    void fault(std::uint64_t line);

  private:
    const EntityGroups& entity_;
    bool failed_ = false;
    std::uint64_t faultLine_ = 0;
};

// Whether the entity lies in paper space (group 67 of 1).
bool inPaperSpace(const EntityGroups& entity);

// Whether the entity holds any coordinate (a group 10 to 39).
bool hasCoordinates(const EntityGroups& entity);

}  // namespace dxfprofile
