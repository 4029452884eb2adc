// The pictures of the game folder. PaintCatalogueImage chooses a painter by
// image folder and file name; the cube textures and the title screen have
// painters of their own, the rest come from small figure painters that
// derive a shape from the name's words and a hue from its hash, so every
// file of a folder looks different while each folder keeps its own style.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "art_image.h"

namespace delver {

// The picture for the catalogue file `name` (no extension) in `folder`
// ("bmp_cube", "bmp_unit" ...). Always a non-empty image whose width is a
// multiple of 4; the same arguments give the same pixels.
ArtImage PaintCatalogueImage(const std::string& folder, const std::string& name);

// Cube textures, 64 x 64, seamless when tiled.
ArtImage PaintOldBrick();      // brickold2: red brick courses, pale mortar
ArtImage PaintMossyBrick();    // brickold3: weathered grey-brown stones, moss, cracks
ArtImage PaintGrass();         // grass3: dense blades of grass
ArtImage PaintDirt();          // dirt1: brown earth with pebbles
ArtImage PaintStone();         // DSC3: grey cobblestones
ArtImage PaintGlowOrb();       // QORBAL: a golden orb glowing on a dark ground
ArtImage PaintBladeTexture();  // item_whale_blade (cube folder): a broad blade on dark cloth
ArtImage PaintGoldCoins();     // item_gold (cube folder): a heap of coins

// The 320 x 240 title picture (bmp_scr/intro1).
ArtImage PaintTitleScreen();

// The small 32 x 32 figure pictures, one style per image folder.
ArtImage PaintUnitFigure(const std::string& name);
ArtImage PaintItemFigure(const std::string& name);
ArtImage PaintLandTile(const std::string& name);
ArtImage PaintDungeonPiece(const std::string& name);
ArtImage PaintStructure(const std::string& name);
ArtImage PaintCrosshair(const std::string& name);
// The game's icon, side x side: an arched doorway in an old brick wall with
// a glowing objective inside, on a rounded square. *alpha gets the opacity
// of every pixel (row 0 at the top), 0 outside the rounded corners.
ArtImage PaintIcon(int side, std::vector<uint8_t>* alpha);

// Any other name: a coloured emblem derived from the name.
ArtImage PaintEmblem(const std::string& name, int side);

}  // namespace delver
