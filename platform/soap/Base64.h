#pragma once
// Standard base64 (RFC 4648 alphabet, "=" padding) for xsd:base64Binary values.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// Appends the encoding of the bytes to out, without line breaks.
void Base64Append(std::string& out, const std::uint8_t* data, std::size_t size);
// Decodes text that may be wrapped: white space is skipped. Raises Exception on any other
// character outside the alphabet or on a truncated group.
template <class Char> std::vector<std::uint8_t> Base64Decode(const Char* text, std::size_t length);
