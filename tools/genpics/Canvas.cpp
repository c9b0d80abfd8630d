#include "Canvas.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <stdexcept>

#include "PexPlatform.h"

TCanvas NewCanvas(int32_t Width, int32_t Height, TRgba Fill) {
    TCanvas Canvas;
    Canvas.Width = Width;
    Canvas.Height = Height;
    Canvas.Pixels.resize(static_cast<size_t>(Width) * Height * 4);
    for (size_t i = 0; i < Canvas.Pixels.size(); i += 4) {
        Canvas.Pixels[i] = Fill.R;
        Canvas.Pixels[i + 1] = Fill.G;
        Canvas.Pixels[i + 2] = Fill.B;
        Canvas.Pixels[i + 3] = Fill.A;
    }
    return Canvas;
}

static bool Inside(const TCanvas& Canvas, int32_t X, int32_t Y) {
    return X >= 0 && Y >= 0 && X < Canvas.Width && Y < Canvas.Height;
}

static size_t Offset(const TCanvas& Canvas, int32_t X, int32_t Y) {
    return (static_cast<size_t>(Y) * Canvas.Width + X) * 4;
}

TRgba GetPixel(const TCanvas& Canvas, int32_t X, int32_t Y) {
    if (!Inside(Canvas, X, Y)) return Clear;
    const uint8_t* P = &Canvas.Pixels[Offset(Canvas, X, Y)];
    return {P[0], P[1], P[2], P[3]};
}

void SetPixel(TCanvas& Canvas, int32_t X, int32_t Y, TRgba Color) {
    if (!Inside(Canvas, X, Y)) return;
    uint8_t* P = &Canvas.Pixels[Offset(Canvas, X, Y)];
    P[0] = Color.R;
    P[1] = Color.G;
    P[2] = Color.B;
    P[3] = Color.A;
}

static uint8_t ToByte(float Value) {
    return static_cast<uint8_t>(std::lround(std::clamp(Value, 0.0f, 255.0f)));
}

void BlendPixel(TCanvas& Canvas, int32_t X, int32_t Y, TRgba Color, float Cover) {
    if (!Inside(Canvas, X, Y)) return;
    const TRgba Under = GetPixel(Canvas, X, Y);
    const float Top = Color.A / 255.0f * std::clamp(Cover, 0.0f, 1.0f);
    if (Top <= 0.0f) return;
    const float Bottom = Under.A / 255.0f * (1.0f - Top);
    const float Out = Top + Bottom;
    // Straight (not premultiplied) alpha, as the texture upload expects.
    auto Channel = [&](uint8_t A, uint8_t B) { return ToByte((A * Top + B * Bottom) / Out); };
    SetPixel(Canvas, X, Y,
             {Channel(Color.R, Under.R), Channel(Color.G, Under.G), Channel(Color.B, Under.B),
              ToByte(Out * 255.0f)});
}

void FillRect(TCanvas& Canvas, int32_t X, int32_t Y, int32_t Width, int32_t Height, TRgba Color) {
    for (int32_t j = Y; j < Y + Height; ++j)
        for (int32_t i = X; i < X + Width; ++i) SetPixel(Canvas, i, j, Color);
}

void DrawCanvas(TCanvas& Target, int32_t X, int32_t Y, const TCanvas& Source, int32_t SourceX,
                int32_t SourceY, int32_t Width, int32_t Height, int32_t Scale, bool Blend) {
    for (int32_t j = 0; j < Height * Scale; ++j)
        for (int32_t i = 0; i < Width * Scale; ++i) {
            const TRgba Color = GetPixel(Source, SourceX + i / Scale, SourceY + j / Scale);
            if (Blend)
                BlendPixel(Target, X + i, Y + j, Color, 1.0f);
            else
                SetPixel(Target, X + i, Y + j, Color);
        }
}

TCanvas ArtCanvas(const std::vector<std::string>& Rows, const std::vector<TArtKey>& Keys) {
    const int32_t Width = Rows.empty() ? 0 : static_cast<int32_t>(Rows[0].size());
    TCanvas Canvas = NewCanvas(Width, static_cast<int32_t>(Rows.size()), Clear);
    for (size_t y = 0; y < Rows.size(); ++y) {
        if (static_cast<int32_t>(Rows[y].size()) != Width)
            throw std::runtime_error("Art row " + std::to_string(y) + " has a different width");
        for (size_t x = 0; x < Rows[y].size(); ++x) {
            const char Key = Rows[y][x];
            if (Key == '.') continue;
            auto Found = std::find_if(Keys.begin(), Keys.end(),
                                      [Key](const TArtKey& Item) { return Item.Key == Key; });
            if (Found == Keys.end())
                throw std::runtime_error(std::string("Art key '") + Key + "' has no colour");
            SetPixel(Canvas, static_cast<int32_t>(x), static_cast<int32_t>(y), Found->Color);
        }
    }
    return Canvas;
}

TRgba Mix(TRgba A, TRgba B, float T) {
    auto Channel = [T](uint8_t From, uint8_t To) { return ToByte(From + (To - From) * T); };
    return {Channel(A.R, B.R), Channel(A.G, B.G), Channel(A.B, B.B), Channel(A.A, B.A)};
}

TRgba Shade(TRgba Color, float Factor) {
    return {ToByte(Color.R * Factor), ToByte(Color.G * Factor), ToByte(Color.B * Factor), Color.A};
}

float Noise(int32_t X, int32_t Y, uint32_t Seed) {
    // Integer hash, so the pictures come out the same on every run and machine.
    uint32_t H = static_cast<uint32_t>(X) * 374761393u + static_cast<uint32_t>(Y) * 668265263u +
                 Seed * 2246822519u;
    H = (H ^ (H >> 13)) * 1274126177u;
    H ^= H >> 16;
    return static_cast<float>(H & 0xFFFFu) / 65535.0f;
}

static void PutWord(std::vector<uint8_t>& Bytes, uint16_t Value) {
    Bytes.push_back(static_cast<uint8_t>(Value & 0xFF));
    Bytes.push_back(static_cast<uint8_t>(Value >> 8));
}

// Run-length packets of one row: runs of 2 or more equal pixels become run
// packets, everything else raw packets; no packet crosses a row.
static void EncodeRleRow(std::vector<uint8_t>& Out, const uint8_t* Row, int32_t Count,
                         int32_t Bytes) {
    auto Same = [&](int32_t A, int32_t B) {
        return std::equal(Row + A * Bytes, Row + A * Bytes + Bytes, Row + B * Bytes);
    };
    int32_t i = 0;
    while (i < Count) {
        int32_t Run = 1;
        while (i + Run < Count && Run < 128 && Same(i, i + Run)) ++Run;
        if (Run >= 2) {
            Out.push_back(static_cast<uint8_t>(0x80 | (Run - 1)));
            Out.insert(Out.end(), Row + i * Bytes, Row + i * Bytes + Bytes);
            i += Run;
            continue;
        }
        int32_t Raw = 1;
        while (i + Raw < Count && Raw < 128 && !(i + Raw + 1 < Count && Same(i + Raw, i + Raw + 1)))
            ++Raw;
        Out.push_back(static_cast<uint8_t>(Raw - 1));
        Out.insert(Out.end(), Row + i * Bytes, Row + (i + Raw) * Bytes);
        i += Raw;
    }
}

std::vector<uint8_t> EncodeTga(const TCanvas& Canvas, TTgaKind Kind) {
    const bool Mapped = Kind == tkMapped || Kind == tkMappedRle;
    const bool Rle = Kind == tkTrue32Rle || Kind == tkMappedRle;
    const int32_t Bytes = Mapped ? 1 : (Kind == tkTrue24 ? 3 : 4);

    // Palette: the key colour first, then every opaque colour in ascending order.
    std::vector<TRgba> Palette;
    std::map<uint32_t, uint8_t> IndexOf;
    if (Mapped) {
        auto Key = [](TRgba C) { return C.R << 16 | C.G << 8 | C.B; };
        std::map<uint32_t, TRgba> Colors;
        for (int32_t y = 0; y < Canvas.Height; ++y)
            for (int32_t x = 0; x < Canvas.Width; ++x) {
                const TRgba C = GetPixel(Canvas, x, y);
                if (C.A == 0) continue;
                if (C.A != 255)
                    throw std::runtime_error("A mapped picture holds a half-transparent pixel");
                if (Key(C) == Key(ColorKey))
                    throw std::runtime_error("An opaque pixel has the transparency key colour");
                Colors[Key(C)] = C;
            }
        if (Colors.size() > 255)
            throw std::runtime_error("A mapped picture needs over 256 colours");
        Palette.push_back(ColorKey);
        for (const auto& [Value, Color] : Colors) {
            IndexOf[Value] = static_cast<uint8_t>(Palette.size());
            Palette.push_back(Color);
        }
    }

    std::vector<uint8_t> Out;
    Out.push_back(0);  // no identification field
    Out.push_back(Mapped ? 1 : 0);
    Out.push_back(static_cast<uint8_t>((Mapped ? 1 : 2) + (Rle ? 8 : 0)));
    PutWord(Out, 0);
    PutWord(Out, static_cast<uint16_t>(Palette.size()));
    Out.push_back(Mapped ? 24 : 0);
    PutWord(Out, 0);
    PutWord(Out, 0);
    PutWord(Out, static_cast<uint16_t>(Canvas.Width));
    PutWord(Out, static_cast<uint16_t>(Canvas.Height));
    Out.push_back(static_cast<uint8_t>(Bytes * 8));
    Out.push_back(Bytes == 4 ? 8 : 0);  // alpha bits; origin bits 0: bottom row first
    for (const TRgba& C : Palette) Out.insert(Out.end(), {C.B, C.G, C.R});

    std::vector<uint8_t> Row(static_cast<size_t>(Canvas.Width) * Bytes);
    for (int32_t y = Canvas.Height - 1; y >= 0; --y) {
        for (int32_t x = 0; x < Canvas.Width; ++x) {
            const TRgba C = GetPixel(Canvas, x, y);
            uint8_t* P = &Row[static_cast<size_t>(x) * Bytes];
            if (Mapped) {
                P[0] = C.A == 0 ? 0 : IndexOf.at(C.R << 16 | C.G << 8 | C.B);
            } else {
                P[0] = C.B;
                P[1] = C.G;
                P[2] = C.R;
                if (Bytes == 4) P[3] = C.A;
            }
        }
        if (Rle)
            EncodeRleRow(Out, Row.data(), Canvas.Width, Bytes);
        else
            Out.insert(Out.end(), Row.begin(), Row.end());
    }
    return Out;
}

// ---- PNG and ICO --------------------------------------------------------------

static void PutBigEndian(std::vector<uint8_t>& Out, uint32_t Value) {
    for (int32_t Shift = 24; Shift >= 0; Shift -= 8) Out.push_back(uint8_t(Value >> Shift));
}

static uint32_t Crc32(const uint8_t* Data, size_t Size) {
    uint32_t Crc = 0xFFFFFFFFu;
    for (size_t I = 0; I < Size; ++I) {
        Crc ^= Data[I];
        for (int32_t Bit = 0; Bit < 8; ++Bit) Crc = (Crc >> 1) ^ (0xEDB88320u & (0u - (Crc & 1u)));
    }
    return ~Crc;
}

// A chunk: length, type, data and the CRC of type and data.
static void PutChunk(std::vector<uint8_t>& Out, const char* Type,
                     const std::vector<uint8_t>& Data) {
    PutBigEndian(Out, static_cast<uint32_t>(Data.size()));
    const size_t Start = Out.size();
    Out.insert(Out.end(), Type, Type + 4);
    Out.insert(Out.end(), Data.begin(), Data.end());
    PutBigEndian(Out, Crc32(&Out[Start], Out.size() - Start));
}

std::vector<uint8_t> EncodePng(const TCanvas& Canvas) {
    // Each row: filter type 0, then its RGBA bytes.
    std::vector<uint8_t> Raw;
    const size_t RowBytes = static_cast<size_t>(Canvas.Width) * 4;
    for (int32_t y = 0; y < Canvas.Height; ++y) {
        Raw.push_back(0);
        const uint8_t* Row = &Canvas.Pixels[y * RowBytes];
        Raw.insert(Raw.end(), Row, Row + RowBytes);
    }
    // zlib: header, stored blocks of at most 65535 bytes, Adler-32 of the data.
    std::vector<uint8_t> Zlib = {0x78, 0x01};
    size_t Done = 0;
    do {
        const size_t Size = std::min<size_t>(Raw.size() - Done, 65535);
        Zlib.push_back(Done + Size == Raw.size() ? 1 : 0);  // the last block's flag
        Zlib.insert(Zlib.end(),
                    {uint8_t(Size), uint8_t(Size >> 8), uint8_t(~Size), uint8_t(~Size >> 8)});
        Zlib.insert(Zlib.end(), Raw.begin() + Done, Raw.begin() + Done + Size);
        Done += Size;
    } while (Done < Raw.size());
    uint32_t A = 1, B = 0;
    for (uint8_t Byte : Raw) {
        A = (A + Byte) % 65521;
        B = (B + A) % 65521;
    }
    PutBigEndian(Zlib, B << 16 | A);

    std::vector<uint8_t> Header;
    PutBigEndian(Header, static_cast<uint32_t>(Canvas.Width));
    PutBigEndian(Header, static_cast<uint32_t>(Canvas.Height));
    Header.insert(Header.end(), {8, 6, 0, 0, 0});  // 8 bits, RGBA, deflate, no interlace
    std::vector<uint8_t> Out = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    PutChunk(Out, "IHDR", Header);
    PutChunk(Out, "IDAT", Zlib);
    PutChunk(Out, "IEND", {});
    return Out;
}

std::vector<uint8_t> EncodeIco(const std::vector<TCanvas>& Canvases) {
    std::vector<std::vector<uint8_t>> Images;
    for (const TCanvas& Canvas : Canvases) {
        if (Canvas.Width != Canvas.Height || Canvas.Width < 1 || Canvas.Width > 256)
            throw std::runtime_error("An icon image must be square, 1 to 256 pixels");
        Images.push_back(EncodePng(Canvas));
    }
    auto PutLong = [](std::vector<uint8_t>& Out, uint32_t Value) {
        PutWord(Out, uint16_t(Value));
        PutWord(Out, uint16_t(Value >> 16));
    };
    std::vector<uint8_t> Out;
    PutWord(Out, 0);  // reserved
    PutWord(Out, 1);  // an icon
    PutWord(Out, static_cast<uint16_t>(Images.size()));
    uint32_t Offset = static_cast<uint32_t>(6 + 16 * Images.size());
    for (size_t I = 0; I < Images.size(); ++I) {
        const int32_t Side = Canvases[I].Width;
        Out.push_back(uint8_t(Side == 256 ? 0 : Side));  // 0 stands for 256
        Out.push_back(uint8_t(Side == 256 ? 0 : Side));
        Out.push_back(0);  // no palette
        Out.push_back(0);
        PutWord(Out, 1);   // colour planes
        PutWord(Out, 32);  // bits per pixel
        PutLong(Out, static_cast<uint32_t>(Images[I].size()));
        PutLong(Out, Offset);
        Offset += static_cast<uint32_t>(Images[I].size());
    }
    for (const std::vector<uint8_t>& Image : Images)
        Out.insert(Out.end(), Image.begin(), Image.end());
    return Out;
}

// The program's own atomic replace: a failed write raises "Cannot create file
// ..." with the reason and leaves the earlier picture whole.
void WriteFile(const std::string& FileName, const std::vector<uint8_t>& Bytes) {
    PlatformReplaceFile(FileName, std::string(Bytes.begin(), Bytes.end()));
}
