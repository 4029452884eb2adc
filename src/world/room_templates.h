// Room templates: the small prefab shapes every room of the dungeon is cut
// from. A template is a 990-character string of 33 rows of 30 characters:
// row 0 is the header ("jk", a width letter, a height letter and two
// optional widening letters, 'a' = 1), rows 1..h hold the body ('d' floor,
// 'p' pillar, anything else no cell). A template is parsed in one of four
// orientations into a 30 x 30 mask and stamped onto a level layer.
#pragma once

#include <cstdint>

#include "world/world_state.h"

namespace delver {

inline constexpr int MaskStride = 30;  // mask row stride and template row length
inline constexpr int MaskCells = MaskStride * MaskStride;
inline constexpr int TemplateStringLength = 990;  // 33 rows of 30 characters
inline constexpr int TemplateCount = 19;          // templates 0..18, the ones rooms are cut from

// Mask cell values.
inline constexpr uint8_t MaskNone = 0;
inline constexpr uint8_t MaskFloor = 1;
inline constexpr uint8_t MaskPillar = 3;

// The template being worked with: its sizes, the oriented mask, and where
// and on which layer the generator wants it stamped.
struct TemplateState {
    int32_t TemplateWidth = 0;   // w as declared by the header
    int32_t TemplateHeight = 0;  // h as declared by the header
    int32_t OrientedWidth = 0;   // size after orientation
    int32_t OrientedHeight = 0;
    int32_t PlacementX = 0;  // grid column of mask cell (0, 0)
    int32_t PlacementY = 0;  // grid row of mask cell (0, 0)
    int32_t CurrentLevelLayer = 0;
    uint8_t TemplateMask[MaskCells] = {};  // cell (x, y) at y * MaskStride + x
};

// The 990-character string of template t, or nullptr for a number that is
// not in the table.
const char* RoomTemplateString(int t);

// Sets the four sizes from template string s in orientation o (0 as is,
// 1 quarter turn, 2 mirror on the diagonal, 3 mirror top to bottom) and
// fills the whole mask. Sizes above 30 are held to 30 so the shape always
// fits the mask.
void ParseTemplateString(TemplateState& ts, const char* s, int o);
// Sets the four sizes exactly as ParseTemplateString does; the mask is left
// as it was.
void MeasureTemplateString(TemplateState& ts, const char* s, int o);

// ParseTemplateString / MeasureTemplateString for template number t. A
// number outside the table gives a 0 x 0 template (and an empty mask).
void ParseTemplate(TemplateState& ts, int t, int o);
void MeasureTemplate(TemplateState& ts, int t, int o);

// Writes the mask's floor cells as LevelFloor and pillar cells as Pillar
// into layer CurrentLevelLayer, mask cell (0, 0) at (PlacementX,
// PlacementY); empty mask cells leave the grid as it was. Cells that would
// fall outside the grid are skipped.
void StampTemplate(WorldGrids& g, const TemplateState& ts);

}  // namespace delver
