// Messages on a running stage: the text of a flow's message command (in a
// window frame or bare, at the screen centre, at a chara, at screen or stage
// coordinates), the stage's notices, and the rising icon popup a chara shows
// when it gains something. A text message renders into a surface of its own
// in Off_Msg, so a frame shows it with one blit; its "#" escapes show the
// current value of a common or stage variable and may be refreshed while it
// shows. The play scene keeps its messages in a list and calls
// UpdateMessages for each once a frame.
#pragma once
#include <string>

struct DDSURFACEDATA;
struct DDSURFACEDEF;
class cFont;

// Kinds of message.
enum : int { kMessageWait = 0, kMessageText = 1, kMessageIcon = 2, kMessageSystemIcon = 3 };
// Display modes: until the advance key, until the stage ends, for a time.
enum : int { kMessageUntilKey = 0, kMessageUntilStageEnd = 1, kMessageTimed = 2 };

class cMessage {
 public:
  DDSURFACEDATA* m_lpSD = nullptr;       // the text surface in Off_Msg (text messages only)
  DDSURFACEDEF* m_lpSDDef = nullptr;
  int m_nKind = 0;
  std::string m_strText;                 // as shown, escapes expanded
  std::string m_strSource;               // as given, expanded again on refresh
  int m_nIcon[3] = {};                   // icon popup: what DrawSmallIcon is given
  int m_bExpand = 0;
  int m_bRefresh = 0;
  int m_nRefreshInterval = 0;            // frames
  int m_bWindow = 0;                     // drawn inside the font's window frame
  int m_nPosMode = 0;                    // 0..8
  int m_nCellX = 0;                      // modes 7 and 8: 32-pixel cells
  int m_nCellY = 0;
  int m_nOffX = 0;
  int m_nOffY = 0;
  int m_nWidth = 0;                      // measured text size, or 16 x 16
  int m_nHeight = 0;
  int m_bClamp = 0;                      // kept inside the screen
  int m_nDispMode = 0;
  int m_bFixPos = 0;
  int m_bPosFixed = 0;
  int m_nFixedX = 0;
  int m_nFixedY = 0;
  int m_bHasId = 0;                      // the message command finds it by this id
  int m_nMessageId = 0;
  int m_nAnchor = 0;                     // object id of the chara of modes 1..6
  int m_nFramesLeft = 0;                 // timed display
  int m_bCountWhilePaused = 0;
  int m_bOpening = 0;                    // the window's opening plays first
  double m_dOpenFrames = 0.0;

  // The arguments of Init but the last; the message makes its own surface.
  cMessage(int kind, const char* text, int icon1, int icon2, int icon3, int posMode, int cellX, int cellY,
           int offX, int offY, int clamp, int fixPos, int dispMode, int frames, int countWhilePaused, int anchor,
           int noOpening, int expand, int refresh, int refreshInterval, int window, int hasId, int messageId);
  // The surface belongs to Off_Msg: UpdateMessages (or ReleaseSurface)
  // releases it, and a copy would release it twice.
  cMessage(const cMessage&) = delete;
  cMessage& operator=(const cMessage&) = delete;
  ~cMessage() = default;

  // Sets the message up. A null text leaves both texts empty. A text message
  // gets a new surface at the end of Off_Msg, or with `keepSurface` redraws
  // the one it has (its size unchanged, as the caller has checked).
  void Init(int kind, const char* text, int icon1, int icon2, int icon3, int posMode, int cellX, int cellY,
            int offX, int offY, int clamp, int fixPos, int dispMode, int frames, int countWhilePaused, int anchor,
            int noOpening, int expand, int refresh, int refreshInterval, int window, int hasId, int messageId,
            int keepSurface);
  void CreateTextSurface();
  // At that position of Off_Msg; at or past the end, or negative, appends.
  void CreateTextSurfaceSized(int position);
  // Renders the shown text into `surface`.
  void Draw(DDSURFACEDATA* surface);
  // Takes the text surface out of Off_Msg; nothing when there is none.
  void ReleaseSurface();
  // The surface's position in Off_Msg; -1 when it has none.
  int SurfacePosition() const;
};

// Replaces each "#" escape by the value of the variable it names:
// '#' ('C' | 'S' | digit)* ['_' (digit | 'P' | 'Z')*] ['.'] - the number
// picks common variable (C) or stage variable (S) 1..1000, the single digit
// after '_' a width, 'P' a plus sign, 'Z' zero fill instead of spaces.
// Other escapes stay as written.
void ExpandMessageText(std::string& text);
// The size of the text in the message font, plus 2 each way.
void MeasureMessageText(int& width, int& height, const std::string& text);
// The font messages are drawn in.
cFont& MessageFont();
// Updates and draws one message for the frame; 1 when it has ended (a text
// message has then released its surface).
int UpdateMessages(cMessage& message, DDSURFACEDATA* target, int paused);
