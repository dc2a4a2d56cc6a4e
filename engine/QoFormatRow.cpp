#include "engine/QoFormatRow.h"

uint8_t QoDetect(const TQoLoadSource& source, const TQoDetectRule& rule) {
  const std::size_t size = source.Size > 0 ? static_cast<std::size_t>(source.Size) : 0;
  if (rule.Size != 0 && size != rule.Size) return 0;
  if (size < rule.MinSize) return 0;
  if (rule.MaxSize != 0 && size > rule.MaxSize) return 0;
  const bool signature = !rule.Signature.empty();
  if (signature && !source.Bytes().Matches(rule.SignatureOffset, rule.Signature)) return 0;
  const bool own = rule.Extensions.Has(source.Extension);
  if (rule.ExtensionOnly && !own) return 0;
  uint8_t flags = rule.SizeFlag ? kQoDetectSize : 0;
  if (signature || rule.Signed) flags |= kQoDetectSignature;
  if (own) flags |= kQoDetectExtension;
  return flags;
}
