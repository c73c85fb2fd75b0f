// Layer names: where a layer line's name is compared with a wanted name or
// looked up in a set of names. Every comparison of a name goes through here.
#pragma once

#include <string>
#include <string_view>

#include "bytes/block_search.h"
#include "dxf/group_code.h"
#include "dxf/name_set.h"

namespace dxfprofile {

// A layer name as a layer line holds it: up to a NUL byte, as a C string.
std::string_view layerNameOf(std::string_view value);

// Which layers' heads a caller wants; heads on others may be passed over
// without being read.
class LayerWanted {
  public:
    virtual bool wants(std::string_view layer) const = 0;

  protected:
    ~LayerWanted() = default;
};

// One layer, by its name.
class OneLayer final : public LayerWanted {
  public:
    explicit OneLayer(std::string_view name) : name_(name) {}
    bool wants(std::string_view layer) const override { return isLayer(layer); }
    // Whether the value of a layer line names this layer.
    bool isLayer(std::string_view value) const { return layerNameOf(value) == name_; }
    std::string_view name() const { return name_; }

  private:
    std::string_view name_;
};

// Every layer: heads are read whatever their layer (block references on any
// layer may place entities on the one wanted).
class EveryLayer final : public LayerWanted {
  public:
    bool wants(std::string_view /*layer*/) const override { return true; }
};

// The layers not yet in a set (which may grow).
class NewLayer final : public LayerWanted {
  public:
    explicit NewLayer(const NameSet& listed) : listed_(listed) {}
    bool wants(std::string_view layer) const override { return !listed_.contains(layer); }

  private:
    const NameSet& listed_;
};

// The lines that the layer search stops at: the code line of a group 8 on a
// code line, and a line "E....C" (ENDSEC) on a value line.
inline constexpr LinePattern LAYER_LINES{'8', 'E', 'C', 5};

// Passes over the group 8 whose layer, the line after its code line, is in
// a set: a layer line found where it stands in the block, never read.
class KnownLayerLine {
  public:
    explicit KnownLayerLine(const NameSet* known) : known_(known) {}

    bool operator()(std::string_view codeLine, std::string_view value) const {
        int code = -1;
        // A name that holds a NUL is in no set: the head reader sees it. Most
        // code lines are right-aligned in three columns, and read without a call.
        return known_ != nullptr &&
               (codeLine == "  8" || (parseGroupCode(codeLine, code) && code == 8)) &&
               known_->contains(value);
    }

  private:
    const NameSet* known_;
};

}  // namespace dxfprofile
