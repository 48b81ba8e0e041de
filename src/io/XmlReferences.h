#pragma once

#include <optional>
#include <string>
#include <string_view>

// Entity and character references in attribute values and text, resolved as page files
// have always been read: the five predefined entities (&amp; &lt; &gt; &quot; &apos;)
// and character references in decimal (&#65;) or lower-case hexadecimal (&#x41;). Any
// other '&' is dropped, as the reader of old did, so "&5" reads as the number 5.
namespace io {

// The text with its references replaced; a character reference becomes its code point
// in UTF-8 (U+FFFD past U+10FFFF; &#; and &#x; give U+0000). nullopt when a character
// reference is malformed: anything but digits between "&#" (or "&#x") and the next ';',
// or no ';' at all.
std::optional<std::string> resolveReferences(std::string_view raw);

}  // namespace io
