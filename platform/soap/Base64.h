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
// The run at the start of text of base64 characters, "=" and blanks, up to the first other
// character: answers its length, and sets decodes when Base64Decode would accept it.
std::size_t Base64Extent(const char* text, std::size_t length, bool& decodes);
// Decodes text into out and answers the number of bytes written. out may be the text's own
// storage or lie before it in the same buffer: three bytes are written for every four characters
// read. The whole text is checked first, so text that Base64Decode refuses raises the same error
// with nothing written.
std::size_t Base64DecodeInto(const char* text, std::size_t length, std::uint8_t* out);
