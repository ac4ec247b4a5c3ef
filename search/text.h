#pragma once

#include <string>
#include <vector>

namespace search {

/// An owned byte string. Page text holds the bytes as received, without any
/// character-set decoding; it never contains a zero byte.
using Text = std::string;

/// An ordered, owned list of texts.
using TextList = std::vector<Text>;

} // namespace search
