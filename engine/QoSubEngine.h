#pragma once
// Engines that wrap another engine, and the layout of sprite sheets.
//
// A container format (an animation whose first frame is an ordinary picture, a bank
// that holds a screen) is shown through an inner engine created on a memory source over
// the inner data; the wrapper presents the inner engine's picture as its own. Sprite
// banks hold many small images; TQoSpritePositions arranges them in centred rows on one
// sheet so that the bank can be shown as a single picture.

#include <cstdint>
#include <memory>
#include <vector>

#include "base/QoOwningList.h"
#include "engine/QoLoadSource.h"
#include "engine/QoSourceEngine.h"

class TQoSourceEngineWithSubEngine : public TQoSourceEngine {
 public:
  TQoSourceEngineWithSubEngine(TQoLoadSource& source, const char* className);
  // The inner engine goes before the source it reads from.
  ~TQoSourceEngineWithSubEngine() override;

  // Hands the viewer's selections to the inner engine, decodes there and takes over its
  // palette.
  std::unique_ptr<TQoBitmap> Decode() override;

  std::unique_ptr<TQoMemoryLoadSource> SubSource;
  std::unique_ptr<TQoSourceEngine> SubEngine;

 protected:
  // Stores both (the concrete constructor calls this last) and copies the description
  // of the picture from the inner engine. PaletteVariants is shared, not copied.
  void SetSubEngine(std::unique_ptr<TQoMemoryLoadSource> source,
                    std::unique_ptr<TQoSourceEngine> engine);
  void CopyFromSubEngine();
};

// One image of a sprite sheet: its size is given, its place on the sheet is computed.
struct TQoSprite {
  int32_t X = 0;
  int32_t Y = 0;
  int32_t Width = 0;
  int32_t Height = 0;
};

// A row of sprites, 8 pixels apart.
class TQoSpriteLine {
 public:
  // The widest a line may grow, sprites and gaps together.
  static constexpr int32_t kMaxLineWidth = 600;
  static constexpr int32_t kGap = 8;

  int32_t LineWidth = 0;   // the widths of its sprites plus the gaps between them
  int32_t LineHeight = 0;  // the tallest sprite

  bool CanTake(int32_t width) const;
  TQoSprite* Add(int32_t width, int32_t height);
  // Centres the line on a sheet of sheetWidth and every sprite vertically in the line.
  void Place(int32_t sheetWidth, int32_t y);
  int Count() const { return sprites_.Count(); }
  TQoSprite* GetSprite(int index) const { return sprites_.Get(index); }

 private:
  TQoOwningList<TQoSprite> sprites_;
};

class TQoSpritePositions {
 public:
  static constexpr int32_t kMargin = 8;

  int32_t SheetWidth = 0;
  int32_t SheetHeight = 0;

  // Adds a sprite to the last line, or to a new one when it does not fit; returns its
  // index in the order added.
  int AddSprite(int32_t width, int32_t height);
  // Sizes the sheet and places every sprite. An empty layout gives an empty sheet.
  void Layout();

  int LineCount() const { return lines_.Count(); }
  TQoSpriteLine* GetLine(int index) const { return lines_.Get(index); }
  int SpriteCount() const { return static_cast<int>(sprites_.size()); }
  TQoSprite* GetSprite(int index) const { return sprites_.at(static_cast<std::size_t>(index)); }

 private:
  TQoOwningList<TQoSpriteLine> lines_;
  std::vector<TQoSprite*> sprites_;  // every sprite in the order added; owned by the lines
};
