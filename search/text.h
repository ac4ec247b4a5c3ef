#pragma once

#include <string>
#include <vector>

namespace search {

/// An owned byte string. Page text holds the bytes as received, without any
/// character-set decoding. A fetched page holds no zero byte (fetchPage() ends
/// it before the first); other texts, such as a module's bytes, may.
using Text = std::string;

/// An ordered, owned list of texts.
using TextList = std::vector<Text>;

} // namespace search
