// The small game the project maker writes: three stages joined by paths on
// a world map, the same stages as the challenge list, their music, sounds
// and the one screen effect they use. Every writer works in the current
// directory (the project folder) and goes through the program's own Save.
#pragma once
#include <string>
#include <vector>

namespace demo {

// Stage n (1..3) of the story is data\stg4\Stage<n>.stg4_778; challenge
// stage n is data\stg4\c0<n>-1.stg4_778, the same stage.
inline constexpr int kStageCount = 3;

// The hero's keys, as the stages' flows read them: the arrows walk, button
// 1 jumps, button 2 shoots.
bool WriteDemoStages();

// data\WorldMap.dat: a road from the start past the three stage points,
// each cleared stage setting its world flag 1..3.
bool WriteDemoWorldMap();

// data\database (music entries 1 title and 2 stages, sound entries 1 item
// and 2 shot, screen effect 1 a shake) and data\System.dat (title, sounds,
// music, the challenge list, the option rows' captions), with the generated
// sound and music files.
bool WriteDemoSettings();

// The hero's poses on its row of Character1.bmp: standing in column 0,
// striding in column 1 (the walk alternates the two), jumping and shooting
// in the columns the animations of its jump (Anime 1) and shot (Anime 2)
// commands show.
inline constexpr int kHeroJumpColumn = 2, kHeroShotColumn = 3;
inline constexpr int kJumpAnime = 1, kShotAnime = 2;

// The stages' background picture (sky, clouds, hills, a brick ground).
inline constexpr const char* kStageBackground = "bmp\\StageBack.bmp";

// The pictures drawn for the demo over the test sheets of the same names:
// bmp\Accessory.bmp (menu and list cursors, marks, icons, the world-map
// hero walking four ways, the gauges), bmp\Item_Mini.bmp (the items'
// small icons that pop up when one is taken), bmp\Title.bmp (the game's name,
// CP932, over a landscape), bmp\GameMode.bmp (the title menu's words, CP932,
// one row a kind), the world map's chips, stage points and sea, and the
// stages' background.
bool WriteDemoPictures(const std::string& titleCp932, const std::vector<std::string>& menuCp932);

}  // namespace demo
