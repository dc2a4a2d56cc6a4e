#include "platforms/ScorpionGMX/QoPlatformScorpionGMX.h"

bool QoIsGMX160Header(TQoByteView file) {
  return file.Matches(0, "GMX\x0F") && file.Has(4, 1) && file.U8(4) == 0;
}
