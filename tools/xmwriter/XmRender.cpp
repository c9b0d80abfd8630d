// xmrender: renders a music module with libopenmpt, looping, for one pass
// and a few seconds past the loop point; prints its length, the loudness of
// every two seconds, the peak, and the largest sample step at the loop seam
// compared with the largest anywhere; optionally writes a 16-bit WAV file.
#include <libopenmpt/libopenmpt.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr int32_t Rate = 44100;

std::vector<uint8_t> ReadFile(const char* Path) {
    std::vector<uint8_t> Data;
    FILE* File = std::fopen(Path, "rb");
    if (File == nullptr) {
        return Data;
    }
    uint8_t Chunk[65536];
    size_t Count;
    while ((Count = std::fread(Chunk, 1, sizeof(Chunk), File)) > 0) {
        Data.insert(Data.end(), Chunk, Chunk + Count);
    }
    std::fclose(File);
    return Data;
}

void Put16(FILE* File, uint32_t Value) {
    std::fputc(static_cast<int>(Value & 0xFF), File);
    std::fputc(static_cast<int>((Value >> 8) & 0xFF), File);
}

void Put32(FILE* File, uint32_t Value) {
    Put16(File, Value & 0xFFFF);
    Put16(File, Value >> 16);
}

// False, with the reason on standard error, when the file cannot be written whole.
bool WriteWav(const char* Path, const std::vector<float>& Samples) {
    FILE* File = std::fopen(Path, "wb");
    if (File == nullptr) {
        std::fprintf(stderr, "cannot write %s: %s\n", Path, std::strerror(errno));
        return false;
    }
    const uint32_t DataBytes = static_cast<uint32_t>(Samples.size() * 2);
    std::fputs("RIFF", File);
    Put32(File, 36 + DataBytes);
    std::fputs("WAVEfmt ", File);
    Put32(File, 16);
    Put16(File, 1);  // PCM
    Put16(File, 2);
    Put32(File, Rate);
    Put32(File, Rate * 4);
    Put16(File, 4);
    Put16(File, 16);
    std::fputs("data", File);
    Put32(File, DataBytes);
    for (float Value : Samples) {
        const float Clamped = std::max(-1.0f, std::min(1.0f, Value));
        Put16(File, static_cast<uint16_t>(static_cast<int16_t>(std::lround(Clamped * 32767.0f))));
    }
    // The stream keeps the first error of every put; closing flushes the rest.
    const bool Failed = std::ferror(File) != 0;
    const int PutError = errno;
    const bool CloseFailed = std::fclose(File) != 0;
    if (Failed || CloseFailed) {
        std::fprintf(stderr, "cannot write %s: %s\n", Path,
                     std::strerror(CloseFailed ? errno : PutError));
        return false;
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: xmrender <module> [out.wav] [extra seconds]\n");
        return 2;
    }
    const std::vector<uint8_t> Data = ReadFile(argv[1]);
    openmpt_module* Module = openmpt_module_create_from_memory2(
        Data.data(), Data.size(), openmpt_log_func_default, nullptr, openmpt_error_func_ignore,
        nullptr, nullptr, nullptr, nullptr);
    if (Module == nullptr) {
        std::fprintf(stderr, "%s: not a module libopenmpt can play\n", argv[1]);
        return 1;
    }
    const double Duration = openmpt_module_get_duration_seconds(Module);
    const double Extra = argc > 3 ? std::atof(argv[3]) : 4.0;
    openmpt_module_set_repeat_count(Module, -1);
    const size_t Frames = static_cast<size_t>((Duration + Extra) * Rate);
    std::vector<float> Samples(Frames * 2);
    size_t Done = 0;
    while (Done < Frames) {
        const size_t Count = openmpt_module_read_interleaved_float_stereo(
            Module, Rate, std::min<size_t>(4096, Frames - Done), &Samples[Done * 2]);
        if (Count == 0) {
            break;
        }
        Done += Count;
    }
    openmpt_module_destroy(Module);

    std::printf("%s: %.2f s before the loop, %zu frames rendered\n", argv[1], Duration, Done);
    float Peak = 0.0f;
    const size_t Window = 2 * Rate;
    for (size_t Start = 0; Start < Done; Start += Window) {
        double Sum = 0.0;
        const size_t End = std::min(Done, Start + Window);
        for (size_t I = Start * 2; I < End * 2; ++I) {
            Sum += static_cast<double>(Samples[I]) * Samples[I];
            Peak = std::max(Peak, std::fabs(Samples[I]));
        }
        const double Rms = std::sqrt(Sum / static_cast<double>((End - Start) * 2));
        std::printf("  %5.1f s  rms %6.1f dBFS\n", static_cast<double>(Start) / Rate,
                    20.0 * std::log10(Rms + 1e-12));
    }
    std::printf("  peak %.3f\n", static_cast<double>(Peak));

    auto MaxStep = [&](size_t From, size_t To) {
        float Max = 0.0f;
        for (size_t I = std::max<size_t>(From, 1); I < To && I < Done; ++I) {
            for (size_t C = 0; C < 2; ++C) {
                Max = std::max(Max, std::fabs(Samples[I * 2 + C] - Samples[(I - 1) * 2 + C]));
            }
        }
        return Max;
    };
    const size_t Seam = static_cast<size_t>(Duration * Rate);
    std::printf("  largest step at the loop seam %.4f, anywhere %.4f\n",
                static_cast<double>(MaxStep(Seam - Rate / 50, Seam + Rate / 50)),
                static_cast<double>(MaxStep(0, Done)));
    if (argc > 2 && !WriteWav(argv[2], Samples)) {
        return 1;
    }
    return 0;
}
