#include "PexMipmaps.h"

#include <algorithm>
#include <cmath>

int32_t GluTextureSide(int32_t Side) {
    if (Side < 1) return 0;
    int32_t Power = 1;
    while (Side > 3) {
        Side >>= 1;
        Power *= 2;
    }
    return Side == 3 ? Power * 4 : Side == 2 ? Power * 2 : Power;
}

// ---- Scaling ------------------------------------------------------------------

// A byte widened to 16 bits and back, as GLU converts unsigned bytes.
constexpr uint16_t Widen(uint8_t Byte) {
    return uint16_t(Byte * 257);
}
constexpr uint8_t Narrow(uint16_t Value) {
    return uint8_t(Value >> 8);
}

// The exact halving GLU takes when both sides halve: the 2 x 2 average, rounded.
static void HalveWide(int32_t Components, int32_t Width, int32_t Height, const uint16_t* In,
                      uint16_t* Out) {
    const int32_t Row = Width * Components;
    for (int32_t Y = 0; Y < Height / 2; ++Y)
        for (int32_t X = 0; X < Width / 2; ++X)
            for (int32_t K = 0; K < Components; ++K) {
                const uint16_t* S = In + 2 * Y * Row + 2 * X * Components + K;
                *Out++ = uint16_t((S[0] + S[Components] + S[Row] + S[Row + Components] + 2) / 4);
            }
}

// The box filter. The mix of single and double precision is GLU's own and
// decides the last bit: centres are formed in double and stored as single, the
// weights and sums stay single, and the final division is in double.
static void ScaleWide(int32_t Components, int32_t WidthIn, int32_t HeightIn, const uint16_t* In,
                      int32_t WidthOut, int32_t HeightOut, uint16_t* Out) {
    if (WidthIn == WidthOut * 2 && HeightIn == HeightOut * 2) {
        HalveWide(Components, WidthIn, HeightIn, In, Out);
        return;
    }
    const float ConvY = float(HeightIn) / float(HeightOut);
    const float ConvX = float(WidthIn) / float(WidthOut);
    const float HalfConvX = ConvX / 2;
    const float HalfConvY = ConvY / 2;
    for (int32_t I = 0; I < HeightOut; ++I) {
        const float CentreY = float(ConvY * (I + 0.5));
        const float LowY = HeightIn > HeightOut ? CentreY - HalfConvY : float(CentreY - 0.5);
        const float HighY = HeightIn > HeightOut ? CentreY + HalfConvY : float(CentreY + 0.5);
        for (int32_t J = 0; J < WidthOut; ++J) {
            const float CentreX = float(ConvX * (J + 0.5));
            const float LowX = WidthIn > WidthOut ? CentreX - HalfConvX : float(CentreX - 0.5);
            const float HighX = WidthIn > WidthOut ? CentreX + HalfConvX : float(CentreX + 0.5);
            float Totals[4] = {0, 0, 0, 0};
            float Area = 0;
            // Pixels outside the image wrap around to the other side.
            float Y = LowY;
            for (int32_t YInt = int32_t(std::floor(Y)); Y < HighY; Y = float(++YInt)) {
                const int32_t YIndex = (YInt + HeightIn) % HeightIn;
                const float YPart = HighY < float(YInt + 1) ? HighY - Y : float(YInt + 1) - Y;
                float X = LowX;
                for (int32_t XInt = int32_t(std::floor(X)); X < HighX; X = float(++XInt)) {
                    const int32_t XIndex = (XInt + WidthIn) % WidthIn;
                    const float XPart = HighX < float(XInt + 1) ? HighX - X : float(XInt + 1) - X;
                    const float Part = XPart * YPart;
                    Area += Part;
                    const uint16_t* Pixel = In + (XIndex + YIndex * WidthIn) * Components;
                    for (int32_t K = 0; K < Components; ++K) Totals[K] += float(Pixel[K]) * Part;
                }
            }
            uint16_t* Target = Out + (J + I * WidthOut) * Components;
            // Truncated through 32 bits and wrapped to 16, as the C conversion
            // does on the desktop for the rare sum just past the top.
            for (int32_t K = 0; K < Components; ++K)
                Target[K] = uint16_t(int32_t((double(Totals[K]) + 0.5) / double(Area)));
        }
    }
}

void GluScaleImage(const TMipSource& Source, int32_t NewWidth, int32_t NewHeight, uint8_t* Out,
                   size_t OutRowBytes) {
    if (Source.Width < 1 || Source.Height < 1 || NewWidth < 1 || NewHeight < 1) return;
    const int32_t C = Source.Components;
    std::vector<uint16_t> Before(size_t(Source.Width) * size_t(Source.Height) * size_t(C));
    std::vector<uint16_t> After(size_t(NewWidth) * size_t(NewHeight) * size_t(C));
    const size_t InRow = size_t(Source.Width) * size_t(C);
    for (int32_t Y = 0; Y < Source.Height; ++Y)
        for (size_t I = 0; I < InRow; ++I)
            Before[Y * InRow + I] = Widen(Source.Pixels[Y * Source.RowBytes + I]);
    ScaleWide(C, Source.Width, Source.Height, Before.data(), NewWidth, NewHeight, After.data());
    const size_t OutRow = size_t(NewWidth) * size_t(C);
    for (int32_t Y = 0; Y < NewHeight; ++Y)
        for (size_t I = 0; I < OutRow; ++I)
            Out[Y * OutRowBytes + I] = Narrow(After[Y * OutRow + I]);
}

// ---- Mipmaps --------------------------------------------------------------------

TMipLevel GluHalveImage(const TMipSource& Source) {
    const int32_t C = Source.Components;
    TMipLevel Level{std::max(Source.Width / 2, 1), std::max(Source.Height / 2, 1), {}};
    Level.Pixels.resize(size_t(Level.Width) * size_t(Level.Height) * size_t(C));
    uint8_t* Out = Level.Pixels.data();
    const size_t Row = Source.RowBytes;
    if (Source.Width == 1 || Source.Height == 1) {
        // A single row or column: neighbours in pairs, the half dropped.
        const size_t Step = Source.Height == 1 ? size_t(C) : Row;
        const int32_t Count = std::max(Source.Width, Source.Height) / 2;
        for (int32_t I = 0; I < Count; ++I)
            for (int32_t K = 0; K < C; ++K) {
                const uint8_t* S = Source.Pixels + 2 * I * Step + K;
                *Out++ = uint8_t((S[0] + S[Step]) / 2);
            }
        return Level;
    }
    for (int32_t Y = 0; Y < Level.Height; ++Y)
        for (int32_t X = 0; X < Level.Width; ++X)
            for (int32_t K = 0; K < C; ++K) {
                const uint8_t* S = Source.Pixels + 2 * Y * Row + 2 * X * C + K;
                *Out++ = uint8_t((S[0] + S[C] + S[Row] + S[Row + C] + 2) / 4);
            }
    return Level;
}

std::vector<TMipLevel> GluMipmapLevels(const TMipSource& Source, int32_t MaxSide) {
    std::vector<TMipLevel> Levels;
    if (Source.Width < 1 || Source.Height < 1 || Source.Components < 1) return Levels;
    const int32_t C = Source.Components;
    TMipLevel First{std::min(GluTextureSide(Source.Width), MaxSide),
                    std::min(GluTextureSide(Source.Height), MaxSide),
                    {}};
    const size_t FirstRow = size_t(First.Width) * size_t(C);
    First.Pixels.resize(FirstRow * size_t(First.Height));
    if (First.Width == Source.Width && First.Height == Source.Height) {
        for (int32_t Y = 0; Y < First.Height; ++Y)
            std::copy_n(Source.Pixels + Y * Source.RowBytes, FirstRow,
                        First.Pixels.data() + Y * FirstRow);
    } else {
        GluScaleImage(Source, First.Width, First.Height, First.Pixels.data(), FirstRow);
    }
    Levels.push_back(std::move(First));
    while (Levels.back().Width > 1 || Levels.back().Height > 1) {
        const TMipLevel& Last = Levels.back();
        Levels.push_back(GluHalveImage(
            TMipSource{C, Last.Width, Last.Height, Last.Pixels.data(), size_t(Last.Width) * C}));
    }
    return Levels;
}
