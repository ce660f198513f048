// How long the document of a message would be, for messages too long for
// the library to write.
#pragma once

#include "movrimsg.hpp"

#include <cstddef>
#include <optional>

namespace inspect {

/// The length of the document movri_msg_to_str would write for msg without
/// its limit; std::nullopt when it would write none for another reason (a
/// text that would not be well-formed).
std::optional<std::size_t> rendered_length(const movrimsg::message &msg);

}  // namespace inspect
