// The image catalogue: the fixed list of picture files the game loads at
// start-up and the sprite slot each one goes to. Eight folder loaders run in
// a fixed order (cross, units, land, dungeon, structures, items, screens,
// cubes); each loads its rows one after the other, so when two rows name the
// same slot the later row's picture stays. Some files are loaded into more
// than one slot. A missing or unreadable file leaves its slot as it was and,
// where the folder exists, leaves an empty file of that name behind.
#pragma once

#include <cstddef>
#include <span>

#include "assets/sprite.h"

namespace delver {

// One catalogue row: a game path (".\folder\name.bmp") and its slot.
struct CatalogueRow {
    const char* path;
    int slot;
};

inline constexpr size_t CatalogueRowCount = 217;
inline constexpr size_t CatalogueLoaderCount = 8;

// Every row of the catalogue in the order start-up loads them (217 rows,
// duplicates included). The art generator and the tests enumerate it.
std::span<const CatalogueRow> AssetCatalogueRows();

// The folder loaders, in start-up order, each taking the next slice of
// the rows. Each loads its rows into the table, ignoring results.
void LoadCrossSprites(SpriteTable& table);      // bmp_cross: 1 row
void LoadUnitSprites(SpriteTable& table);       // bmp_unit: 58 rows
void LoadLandSprites(SpriteTable& table);       // bmp_land: 27 rows
void LoadDungeonSprites(SpriteTable& table);    // bmp_dungeon: 40 rows
void LoadStructureSprites(SpriteTable& table);  // bmp_structure: 10 rows
void LoadItemSprites(SpriteTable& table);       // bmp_item: 56 rows
void LoadScreenSprites(SpriteTable& table);     // bmp_scr: 1 row
void LoadCubeSprites(SpriteTable& table);       // bmp_cube then bmp_unit: 24 rows

}  // namespace delver
