// Effects and pictures on a running stage. An effect plays one Effect.dat
// entry at a place of the stage (a hit spark, or what a flow starts); a
// picture shows an image of the picture command behind or in front of the
// map layers. The play scene keeps both in lists, draws them once a frame
// and deletes an instance when its Draw reports 1.
#pragma once
#include <cstdint>

#include "graphics/anime_pattern.h"

struct DDSURFACEDATA;
struct HITRECT;

class cEffect {
 public:
  int16_t m_sId = 0;          // Effect.dat entry
  double m_dX = 0.0;          // top-left corner in stage pixels
  double m_dY = 0.0;
  int m_nWidth = 0;           // size drawn
  int m_nHeight = 0;
  int m_bStretched = 0;       // the size drawn differs from the entry's frame size
  cAnimePattern m_Pattern;    // the entry's frame pattern
  int m_bRunWhilePaused = 0;  // the pattern also advances on a paused stage

  // An id with bit 0x8000 set or past the Effect list is reported like a bad
  // index of the checked containers, and entry 0 is played instead.
  void Create(int id, double x, double y, int width, int height, int runWhilePaused);
  // The hit effect where two objects meet: centred on the overlap of the two
  // rectangles (left, top, right, bottom), scaled with the attacker when the
  // entry asks for it, and shifted by a random 4 x scale pixels each way.
  void CreateAtChara(int id, const double victim[4], const double attacker[4], int scale);
  void CreateAtChara(int id, const HITRECT& victim, const HITRECT& attacker, int scale);
  // The pattern of entry id, from its first step.
  void SetupFrames(int id);
  // Advances the pattern (not on a paused stage unless it runs while
  // paused) and draws the current cell; 1 when the effect has ended or its
  // entry has no frames.
  int Draw(DDSURFACEDATA* target, int paused);
};

class cPicture {
 public:
  int m_nId = 0;               // picture number
  double m_dX = 0.0;           // position in stage pixels
  double m_dY = 0.0;
  int m_nWidth = 0;            // size drawn
  int m_nHeight = 0;
  int m_bStretched = 0;        // scaled by other than 100 percent
  int m_nLayer = 0;            // 0 behind the map, 1 in front
  int m_nDispMode = 0;         // 2 timed; others stay until removed
  int m_nFramesLeft = 0;
  int m_bCountWhilePaused = 0;
  int m_bScreenFixed = 0;      // stays where it is on the screen
  int m_nScreenX = 0;
  int m_nScreenY = 0;
  int m_bHasId = 0;            // the picture command finds it by this id
  int m_nPictureId = 0;

  // A screen-fixed picture takes its screen position from the scroll now.
  void Init(int id, double x, double y, int width, int height, int screenFixed, int layer, int scalePercent,
            int dispMode, int frames, int countWhilePaused, int hasId, int pictureId);
  // 1 when a timed picture's time is over; else draws `surface` and 0.
  int Draw(DDSURFACEDATA* target, DDSURFACEDATA* surface, int paused);
};
