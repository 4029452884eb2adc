#include "assets/asset_catalogue.h"

#include <array>

namespace delver {

namespace {

// The whole catalogue in load order. The cube loader's own copies of the
// whale blade and the gold piece live in bmp_cube, not bmp_item; its last
// fourteen rows come from bmp_unit, and slot 1210 is loaded twice (the green
// slime replaces the orb).
constexpr std::array<CatalogueRow, CatalogueRowCount> kRows = {{
    // LoadCrossSprites (1)
    {".\\bmp_cross\\cross4.bmp", 1104},
    // LoadUnitSprites (58)
    {".\\bmp_unit\\unit_giant_rat.bmp", 801},
    {".\\bmp_unit\\unit_green_slime.bmp", 802},
    {".\\bmp_unit\\unit_dog.bmp", 803},
    {".\\bmp_unit\\unit_serpent.bmp", 805},
    {".\\bmp_unit\\unit_fungus.bmp", 806},
    {".\\bmp_unit\\unit_goblin.bmp", 810},
    {".\\bmp_unit\\unit_nabos.bmp", 811},
    {".\\bmp_unit\\unit_orc_b.bmp", 812},
    {".\\bmp_unit\\unit_beatle.bmp", 820},
    {".\\bmp_unit\\unit_gor_dog.bmp", 821},
    {".\\bmp_unit\\unit_giant_spider.bmp", 822},
    {".\\bmp_unit\\unit_serpent_fire.bmp", 823},
    {".\\bmp_unit\\unit_beatle_fire.bmp", 824},
    {".\\bmp_unit\\unit_drius.bmp", 829},
    {".\\bmp_unit\\unit_rust_monster.bmp", 830},
    {".\\bmp_unit\\unit_giant_worm.bmp", 831},
    {".\\bmp_unit\\unit_gelatinous_cube.bmp", 832},
    {".\\bmp_unit\\unit_polar_geer.bmp", 840},
    {".\\bmp_unit\\unit_squeletton.bmp", 841},
    {".\\bmp_unit\\unit_squeletton_zombi_wounded.bmp", 842},
    {".\\bmp_unit\\unit_squeletton_zombi.bmp", 843},
    {".\\bmp_unit\\unit_mage.bmp", 849},
    {".\\bmp_unit\\unit_squeletton_sturdy.bmp", 852},
    {".\\bmp_unit\\unit_dwarf.bmp", 853},
    {".\\bmp_unit\\unit_squeletton_monster.bmp", 854},
    {".\\bmp_unit\\unit_squeletton_brave.bmp", 861},
    {".\\bmp_unit\\unit_squeletton_floating.bmp", 863},
    {".\\bmp_unit\\unit_minotor.bmp", 870},
    {".\\bmp_unit\\unit_floating_eye.bmp", 871},
    {".\\bmp_unit\\unit_squeletton_fire.bmp", 872},
    {".\\bmp_unit\\unit_mage_eye.bmp", 874},
    {".\\bmp_unit\\unit_squeletton_ogre.bmp", 875},
    {".\\bmp_unit\\unit_ogre.bmp", 876},
    {".\\bmp_unit\\unit_squeletton_armored.bmp", 878},
    {".\\bmp_unit\\unit_medusa.bmp", 881},
    {".\\bmp_unit\\unit_squeletton_warrior.bmp", 882},
    {".\\bmp_unit\\unit_mantis.bmp", 883},
    {".\\bmp_unit\\unit_squeletton_evil.bmp", 890},
    {".\\bmp_unit\\unit_lich.bmp", 902},
    {".\\bmp_unit\\unit_dragon.bmp", 903},
    {".\\bmp_unit\\unit_dragon_hydra.bmp", 904},
    {".\\bmp_unit\\unit_dragon_basilic.bmp", 906},
    {".\\bmp_unit\\unit_fire.bmp", 960},
    {".\\bmp_unit\\unit_fire_fire.bmp", 961},
    {".\\bmp_unit\\unit_fire_fire_fire.bmp", 962},
    {".\\bmp_unit\\unit_water.bmp", 963},
    {".\\bmp_unit\\unit_water_water.bmp", 964},
    {".\\bmp_unit\\unit_water_water_water.bmp", 965},
    {".\\bmp_unit\\unit_earth.bmp", 966},
    {".\\bmp_unit\\unit_earth_earth.bmp", 967},
    {".\\bmp_unit\\unit_earth_earth_earth.bmp", 968},
    {".\\bmp_unit\\unit_air.bmp", 969},
    {".\\bmp_unit\\unit_air_air.bmp", 970},
    {".\\bmp_unit\\unit_air_air_air.bmp", 971},
    {".\\bmp_unit\\unit_fighter.bmp", 980},
    {".\\bmp_unit\\unit_mage.bmp", 981},
    {".\\bmp_unit\\unit_cleric.bmp", 982},
    {".\\bmp_unit\\unit_bandit.bmp", 983},
    // LoadLandSprites (27)
    {".\\bmp_land\\plain.bmp", 10},
    {".\\bmp_land\\forest.bmp", 11},
    {".\\bmp_land\\forest_fruit.bmp", 12},
    {".\\bmp_land\\forest_gray.bmp", 13},
    {".\\bmp_land\\water.bmp", 14},
    {".\\bmp_land\\water_deep.bmp", 15},
    {".\\bmp_land\\swamp_a.bmp", 16},
    {".\\bmp_land\\desert_a.bmp", 17},
    {".\\bmp_land\\hills_a.bmp", 18},
    {".\\bmp_land\\mountain.bmp", 19},
    {".\\bmp_land\\mountain_high_a.bmp", 20},
    {".\\bmp_land\\forest_leaf.bmp", 21},
    {".\\bmp_land\\road_b.bmp", 22},
    {".\\bmp_land\\forest_b.bmp", 23},
    {".\\bmp_land\\forest_c.bmp", 24},
    {".\\bmp_land\\village_b.bmp", 180},
    {".\\bmp_land\\village_b_yellow.bmp", 181},
    {".\\bmp_land\\village_b_blue.bmp", 182},
    {".\\bmp_land\\village_b_green.bmp", 183},
    {".\\bmp_land\\village_b_red.bmp", 184},
    {".\\bmp_land\\ruin_a.bmp", 188},
    {".\\bmp_land\\castle_a.bmp", 189},
    {".\\bmp_land\\grottus.bmp", 190},
    {".\\bmp_land\\mine.bmp", 191},
    {".\\bmp_land\\iron_mine.bmp", 192},
    {".\\bmp_land\\forest_leaf.bmp", 193},
    {".\\bmp_land\\well.bmp", 194},
    // LoadDungeonSprites (40)
    {".\\bmp_dungeon\\wall.bmp", 111},
    {".\\bmp_dungeon\\floor_marble.bmp", 118},
    {".\\bmp_dungeon\\floor.bmp", 119},
    {".\\bmp_dungeon\\chest.bmp", 120},
    {".\\bmp_dungeon\\chest_open.bmp", 121},
    {".\\bmp_dungeon\\candelabrum.bmp", 122},
    {".\\bmp_dungeon\\candelabrum_extinct.bmp", 123},
    {".\\bmp_dungeon\\coffin.bmp", 124},
    {".\\bmp_dungeon\\coffin_open.bmp", 125},
    {".\\bmp_dungeon\\floor_bones.bmp", 126},
    {".\\bmp_dungeon\\floor_bones_cleaned.bmp", 127},
    {".\\bmp_dungeon\\door.bmp", 128},
    {".\\bmp_dungeon\\door_opened.bmp", 129},
    {".\\bmp_dungeon\\source.bmp", 130},
    {".\\bmp_dungeon\\source_complete.bmp", 131},
    {".\\bmp_dungeon\\spawn.bmp", 132},
    {".\\bmp_dungeon\\spawn_complete.bmp", 133},
    {".\\bmp_dungeon\\fountain.bmp", 134},
    {".\\bmp_dungeon\\fountain_drank.bmp", 135},
    {".\\bmp_dungeon\\stairsd.bmp", 136},
    {".\\bmp_dungeon\\stairsu.bmp", 137},
    {".\\bmp_dungeon\\circle.bmp", 140},
    {".\\bmp_dungeon\\circle_golden.bmp", 141},
    {".\\bmp_dungeon\\circle_aflamed.bmp", 142},
    {".\\bmp_dungeon\\altar.bmp", 144},
    {".\\bmp_dungeon\\altar_jeweled.bmp", 145},
    {".\\bmp_dungeon\\altar_dark.bmp", 146},
    {".\\bmp_dungeon\\trap.bmp", 148},
    {".\\bmp_dungeon\\trap_disabled.bmp", 149},
    {".\\bmp_dungeon\\torch.bmp", 152},
    {".\\bmp_dungeon\\torch_extinct.bmp", 153},
    {".\\bmp_dungeon\\geer_mecanism.bmp", 155},
    {".\\bmp_dungeon\\lever.bmp", 156},
    {".\\bmp_dungeon\\source.bmp", 160},
    {".\\bmp_dungeon\\source_red.bmp", 161},
    {".\\bmp_dungeon\\source_green.bmp", 162},
    {".\\bmp_dungeon\\source_blue.bmp", 163},
    {".\\bmp_dungeon\\source_yellow.bmp", 164},
    {".\\bmp_dungeon\\source_brown.bmp", 165},
    {".\\bmp_dungeon\\scrolls.bmp", 167},
    // LoadStructureSprites (10)
    {".\\bmp_structure\\hart.bmp", 390},
    {".\\bmp_structure\\structure_farm.bmp", 400},
    {".\\bmp_structure\\structure_merchant.bmp", 401},
    {".\\bmp_structure\\structure_quary.bmp", 402},
    {".\\bmp_structure\\structure_stable.bmp", 403},
    {".\\bmp_structure\\structure_tower.bmp", 404},
    {".\\bmp_structure\\structure_barrack.bmp", 405},
    {".\\bmp_structure\\structure_blacksmith.bmp", 406},
    {".\\bmp_structure\\structure_castle.bmp", 407},
    {".\\bmp_structure\\structure_church.bmp", 408},
    // LoadItemSprites (56)
    {".\\bmp_item\\blank.bmp", 0},
    {".\\bmp_item\\item_knife.bmp", 600},
    {".\\bmp_item\\item_dagger.bmp", 601},
    {".\\bmp_item\\item_short_sword.bmp", 602},
    {".\\bmp_item\\item_gauche.bmp", 603},
    {".\\bmp_item\\item_long_sword.bmp", 604},
    {".\\bmp_item\\item_bastard_sword.bmp", 605},
    {".\\bmp_item\\item_kopesh.bmp", 606},
    {".\\bmp_item\\item_blade.bmp", 607},
    {".\\bmp_item\\item_blade_ameliorated.bmp", 608},
    {".\\bmp_item\\item_behead.bmp", 609},
    {".\\bmp_item\\item_broad_sword.bmp", 610},
    {".\\bmp_item\\item_horner.bmp", 611},
    {".\\bmp_item\\item_glaive.bmp", 612},
    {".\\bmp_item\\item_saber.bmp", 613},
    {".\\bmp_item\\item_saber_ameliorated.bmp", 614},
    {".\\bmp_item\\item_whale_blade.bmp", 615},
    {".\\bmp_item\\item_whale_blade_ameliorated.bmp", 616},
    {".\\bmp_item\\item_two_handed_sword.bmp", 617},
    {".\\bmp_item\\item_two_bladed_sword.bmp", 618},
    {".\\bmp_item\\item_two_bladed_sword_ameliorated.bmp", 619},
    {".\\bmp_item\\item_bag.bmp", 3000},
    {".\\bmp_item\\item_blue_bag.bmp", 3001},
    {".\\bmp_item\\item_maul.bmp", 630},
    {".\\bmp_item\\item_morningstar.bmp", 631},
    {".\\bmp_item\\item_mace.bmp", 632},
    {".\\bmp_item\\item_war_mace.bmp", 633},
    {".\\bmp_item\\item_staff.bmp", 640},
    {".\\bmp_item\\item_rod.bmp", 641},
    {".\\bmp_item\\item_wand.bmp", 642},
    {".\\bmp_item\\item_hand_axe.bmp", 650},
    {".\\bmp_item\\item_axe.bmp", 651},
    {".\\bmp_item\\item_battle_axe.bmp", 652},
    {".\\bmp_item\\item_iron_battle_axe.bmp", 653},
    {".\\bmp_item\\item_iron_ordered_battle_axe.bmp", 654},
    {".\\bmp_item\\item_iron_rubioux_battle_axe.bmp", 655},
    {".\\bmp_item\\item_potion_red.bmp", 680},
    {".\\bmp_item\\item_potion_green.bmp", 681},
    {".\\bmp_item\\item_potion_blue.bmp", 682},
    {".\\bmp_item\\item_potion_yellow.bmp", 683},
    {".\\bmp_item\\item_potion_white.bmp", 684},
    {".\\bmp_item\\item_blue_robe.bmp", 730},
    {".\\bmp_item\\item_red_robe.bmp", 731},
    {".\\bmp_item\\item_gray_robe.bmp", 732},
    {".\\bmp_item\\item_leather_armor.bmp", 740},
    {".\\bmp_item\\item_studded_leather_armor.bmp", 741},
    {".\\bmp_item\\item_chain_mail.bmp", 742},
    {".\\bmp_item\\item_scale_armor_b.bmp", 743},
    {".\\bmp_item\\item_plate_armor.bmp", 744},
    {".\\bmp_item\\item_full_plate_armor.bmp", 745},
    {".\\bmp_item\\item_magic_armor.bmp", 746},
    {".\\bmp_item\\socket.bmp", 780},
    {".\\bmp_item\\alleviated_corner1.bmp", 785},
    {".\\bmp_item\\alleviated_corner2.bmp", 786},
    {".\\bmp_item\\alleviated_corner3.bmp", 787},
    {".\\bmp_item\\alleviated_corner4.bmp", 788},
    // LoadScreenSprites (1)
    {".\\bmp_scr\\intro1.bmp", 1000},
    // LoadCubeSprites (24)
    {".\\bmp_cube\\brickold2.bmp", 1201},
    {".\\bmp_cube\\grass3.bmp", 1202},
    {".\\bmp_cube\\dirt1.bmp", 1203},
    {".\\bmp_cube\\brickold3.bmp", 1204},
    {".\\bmp_cube\\item_whale_blade.bmp", 1205},
    {".\\bmp_cube\\DSC3.bmp", 1206},
    {".\\bmp_cube\\item_whale_blade.bmp", 1207},
    {".\\bmp_cube\\item_gold.bmp", 1208},
    {".\\bmp_cube\\QORBAL.bmp", 1209},
    {".\\bmp_cube\\QORBAL.bmp", 1210},
    {".\\bmp_unit\\unit_green_slime.bmp", 1210},
    {".\\bmp_unit\\unit_nabos.bmp", 1211},
    {".\\bmp_unit\\unit_serpent.bmp", 1212},
    {".\\bmp_unit\\unit_giant_spider.bmp", 1213},
    {".\\bmp_unit\\unit_serpent_fire.bmp", 1214},
    {".\\bmp_unit\\unit_giant_worm.bmp", 1215},
    {".\\bmp_unit\\unit_floating_eye.bmp", 1216},
    {".\\bmp_unit\\unit_gelatinous_cube.bmp", 1217},
    {".\\bmp_unit\\unit_ogre.bmp", 1218},
    {".\\bmp_unit\\unit_mage_eye.bmp", 1219},
    {".\\bmp_unit\\unit_minotor.bmp", 1220},
    {".\\bmp_unit\\unit_mantis.bmp", 1221},
    {".\\bmp_unit\\unit_dragon_hydra.bmp", 1222},
    {".\\bmp_unit\\unit_pleidian.bmp", 1223},
}};

// Row counts of the eight loaders, in load order.
constexpr size_t kCounts[CatalogueLoaderCount] = {1, 58, 27, 40, 10, 56, 1, 24};

constexpr size_t SumCounts() {
    size_t n = 0;
    for (size_t c : kCounts) n += c;
    return n;
}
static_assert(SumCounts() == CatalogueRowCount, "loader row counts must cover the catalogue");

constexpr size_t FirstRow(size_t loader) {
    size_t n = 0;
    for (size_t i = 0; i < loader; ++i) n += kCounts[i];
    return n;
}

std::span<const CatalogueRow> LoaderRows(size_t loader) {
    return std::span<const CatalogueRow>(kRows).subspan(FirstRow(loader), kCounts[loader]);
}

void LoadRows(SpriteTable& table, size_t loader) {
    for (const CatalogueRow& row : LoaderRows(loader)) LoadSprite(table, row.path, row.slot);
}

}  // namespace

std::span<const CatalogueRow> AssetCatalogueRows() { return kRows; }

void LoadCrossSprites(SpriteTable& table) { LoadRows(table, 0); }
void LoadUnitSprites(SpriteTable& table) { LoadRows(table, 1); }
void LoadLandSprites(SpriteTable& table) { LoadRows(table, 2); }
void LoadDungeonSprites(SpriteTable& table) { LoadRows(table, 3); }
void LoadStructureSprites(SpriteTable& table) { LoadRows(table, 4); }
void LoadItemSprites(SpriteTable& table) { LoadRows(table, 5); }
void LoadScreenSprites(SpriteTable& table) { LoadRows(table, 6); }
void LoadCubeSprites(SpriteTable& table) { LoadRows(table, 7); }

void LoadAssetCatalogue(SpriteTable& table) {
    LoadCrossSprites(table);
    LoadUnitSprites(table);
    LoadLandSprites(table);
    LoadDungeonSprites(table);
    LoadStructureSprites(table);
    LoadItemSprites(table);
    LoadScreenSprites(table);
    LoadCubeSprites(table);
}

}  // namespace delver
