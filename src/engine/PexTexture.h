// PexTexture: image files into mipmapped OpenGL textures.
//
// Owns: nothing (textures are OpenGL objects kept by the callers).
// Uses: PexGL (PathDelim), PexTGA, PexScript (reading the file), PexMipmaps
// (GLU's texture sides), OpenGL, GLU.
// No initialisation or finalisation.
#pragma once

#include <cstdint>
#include <istream>
#include <string>

// Makes a 4-component mipmapped texture and leaves it bound; returns its name.
// Pixels holds Width x Height pixels of 3 (GL_RGB) or 4 (GL_RGBA) bytes, rows
// packed without padding.
uint32_t CreateTexture(uint16_t Width, uint16_t Height, uint16_t Format, const uint8_t* Pixels);
void LoadTextureFromStream(std::istream& Stream, uint32_t& Texture);
void LoadTextureFromFile(const std::string& FileName, uint32_t& Texture);
// Loads only names whose extension, lower-cased, is ".tga"; others are skipped.
void LoadTexture(const std::string& FileName, uint32_t& Texture);
