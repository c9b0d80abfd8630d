// xmwriter: writes Pex's two music modules, the title theme splash.oxm and
// the in-game loop game.oxm, into the folder given on the command line.
//
// Both songs share one band: lead, its echo, chord arpeggio, bass, kick,
// snare, hi-hats and a soft pad, on channels 0..7. Patterns are 64 rows of
// four 16-row bars; melodies are written as note:rows tokens, drums as one
// character a row, chords as names from which arpeggio, bass and pad follow.
#include <cstdio>
#include <stdexcept>
#include <string>
#include <vector>

#include "PexPlatform.h"
#include "Synth.h"
#include "XmModule.h"

namespace {

constexpr int32_t Rows = 64;
constexpr int32_t BarRows = 16;
constexpr int32_t ChLead = 0, ChEcho = 1, ChArp = 2, ChBass = 3, ChKick = 4, ChSnare = 5, ChHat = 6,
                  ChPad = 7;
constexpr int32_t ChannelCount = 8;
constexpr uint8_t FxArpeggio = 0x0;

uint8_t Volume(int32_t Value) {
    return static_cast<uint8_t>(0x10 + Value);
}

// "C5", "F#4", "A2" -> XM note number (C-0 is 1).
uint8_t ParseNote(const std::string& Name) {
    static const int32_t Semitones[7] = {9, 11, 0, 2, 4, 5, 7};  // A..G
    if (Name.size() < 2 || Name[0] < 'A' || Name[0] > 'G') {
        throw std::runtime_error("bad note " + Name);
    }
    int32_t Semitone = Semitones[Name[0] - 'A'];
    size_t Pos = 1;
    if (Name[Pos] == '#') {
        ++Semitone;
        ++Pos;
    }
    const int32_t Octave = Name[Pos] - '0';
    return static_cast<uint8_t>(Octave * 12 + Semitone + 1);
}

std::vector<std::string> Split(const std::string& Text) {
    std::vector<std::string> Words;
    std::string Word;
    for (char C : Text + " ") {
        if (C == ' ') {
            if (!Word.empty()) {
                Words.push_back(Word);
            }
            Word.clear();
        } else {
            Word += C;
        }
    }
    return Words;
}

// Tokens "note:rows"; "r:rows" releases the note, "-:rows" holds it.
void PutMelody(TPattern& Pattern, int32_t Channel, uint8_t Instrument, const std::string& Text) {
    int32_t Row = 0;
    for (const std::string& Token : Split(Text)) {
        const size_t Colon = Token.find(':');
        const std::string Name = Token.substr(0, Colon);
        const int32_t Length = std::stoi(Token.substr(Colon + 1));
        if (Row + Length > Pattern.Rows) {
            throw std::runtime_error("melody longer than the pattern: " + Text);
        }
        TCell& Cell = Pattern.At(Row, Channel);
        if (Name == "r") {
            Cell.Note = NoteKeyOff;
        } else if (Name != "-") {
            Cell.Note = ParseNote(Name);
            Cell.Instrument = Instrument;
        }
        Row += Length;
    }
    if (Row != Pattern.Rows) {
        throw std::runtime_error("melody shorter than the pattern: " + Text);
    }
}

// The lead again, Delay rows later and quieter, on the other side.
void PutEcho(TPattern& Pattern, int32_t Delay) {
    for (int32_t Row = Pattern.Rows - 1; Row >= Delay; --Row) {
        const TCell& Source = Pattern.At(Row - Delay, ChLead);
        if (Source.Note != 0) {
            TCell& Cell = Pattern.At(Row, ChEcho);
            Cell.Note = Source.Note;
            Cell.Instrument = Source.Note == NoteKeyOff ? 0 : inEcho;
        }
    }
}

struct TChord {
    int32_t Root;  // semitone above C, 0..11
    bool Minor;
};

// "Am F C G": one chord a bar.
std::vector<TChord> ParseChords(const std::string& Text) {
    std::vector<TChord> Chords;
    for (const std::string& Name : Split(Text)) {
        const bool Minor = Name.back() == 'm';
        const std::string Root = Minor ? Name.substr(0, Name.size() - 1) : Name;
        Chords.push_back({(ParseNote(Root + "0") - 1) % 12, Minor});
    }
    if (static_cast<int32_t>(Chords.size()) * BarRows != Rows) {
        throw std::runtime_error("need one chord a bar: " + Text);
    }
    return Chords;
}

uint8_t ChordNote(const TChord& Chord, int32_t Octave, int32_t Interval) {
    return static_cast<uint8_t>(Octave * 12 + Chord.Root + Interval + 1);
}

// Broken chords: the root struck each bar, the arpeggio effect on every row.
void PutArpeggio(TPattern& Pattern, const std::vector<TChord>& Chords) {
    for (int32_t Row = 0; Row < Pattern.Rows; ++Row) {
        const TChord& Chord = Chords[Row / BarRows];
        TCell& Cell = Pattern.At(Row, ChArp);
        if (Row % BarRows == 0) {
            Cell.Note = ChordNote(Chord, 4, 0);
            Cell.Instrument = inArp;
        }
        Cell.Effect = FxArpeggio;
        Cell.Param = Chord.Minor ? 0x37 : 0x47;
    }
}

// Groove: one character a row of a bar. R root, O octave, F fifth, ^ release.
void PutBass(TPattern& Pattern, const std::vector<TChord>& Chords, const std::string& Groove) {
    for (int32_t Row = 0; Row < Pattern.Rows; ++Row) {
        const TChord& Chord = Chords[Row / BarRows];
        TCell& Cell = Pattern.At(Row, ChBass);
        switch (Groove[Row % BarRows]) {
            case 'R':
                Cell.Note = ChordNote(Chord, 2, 0);
                break;
            case 'O':
                Cell.Note = ChordNote(Chord, 3, 0);
                break;
            case 'F':
                Cell.Note = ChordNote(Chord, 2, 7);
                break;
            case '^':
                Cell.Note = NoteKeyOff;
                break;
            default:
                break;
        }
        if (Cell.Note != 0 && Cell.Note != NoteKeyOff) {
            Cell.Instrument = inBass;
        }
    }
}

// A soft chord tone (the third) held through each bar.
void PutPad(TPattern& Pattern, const std::vector<TChord>& Chords) {
    for (int32_t Bar = 0; Bar < Pattern.Rows / BarRows; ++Bar) {
        TCell& Cell = Pattern.At(Bar * BarRows, ChPad);
        Cell.Note = ChordNote(Chords[Bar], 5, Chords[Bar].Minor ? 3 : 4);
        Cell.Instrument = inPad;
    }
}

// One character a row; a 16-character text repeats each bar. K kick, S snare,
// s ghost snare, h hat, H accented hat, o open hat, c crash, '.' nothing.
void PutDrums(TPattern& Pattern, int32_t Channel, const std::string& Hits) {
    for (int32_t Row = 0; Row < Pattern.Rows; ++Row) {
        const char Hit = Hits[Row % Hits.size()];
        TCell& Cell = Pattern.At(Row, Channel);
        Cell.Note = Hit == '.' ? 0 : ParseNote("C4");
        switch (Hit) {
            case 'K':
                Cell.Instrument = inKick;
                break;
            case 'S':
                Cell.Instrument = inSnare;
                break;
            case 's':
                Cell.Instrument = inSnare, Cell.Volume = Volume(24);
                break;
            case 'h':
                Cell.Instrument = inHat;
                break;
            case 'H':
                Cell.Instrument = inHat, Cell.Volume = Volume(48);
                break;
            case 'o':
                Cell.Instrument = inOpenHat;
                break;
            case 'c':
                Cell.Instrument = inCrash;
                break;
            case '.':
                break;
            default:
                throw std::runtime_error("bad drum " + Hits);
        }
    }
}

struct TSection {
    std::string Chords;
    std::string Melody;  // empty: no lead
    std::string Bass;
    std::string Kick, Snare, Hats;  // 16 or 64 characters
    bool Pad;
};

TPattern MakePattern(const TSection& Section) {
    TPattern Pattern(Rows, ChannelCount);
    const std::vector<TChord> Chords = ParseChords(Section.Chords);
    if (!Section.Melody.empty()) {
        PutMelody(Pattern, ChLead, inLead, Section.Melody);
        PutEcho(Pattern, 3);
    }
    PutArpeggio(Pattern, Chords);
    PutBass(Pattern, Chords, Section.Bass);
    PutDrums(Pattern, ChKick, Section.Kick);
    PutDrums(Pattern, ChSnare, Section.Snare);
    PutDrums(Pattern, ChHat, Section.Hats);
    if (Section.Pad) {
        PutPad(Pattern, Chords);
    }
    return Pattern;
}

// Title theme, A minor, 125 beats a minute: a quiet intro of arpeggios, two
// melodic sections, a rising bridge, and a last section ending on E major,
// which leads back into the intro when the song loops.
TModule Splash() {
    TModule Module;
    Module.Name = "Pex title";
    Module.Channels = ChannelCount;
    Module.Speed = 6;
    Module.Tempo = 125;
    AddInstruments(Module, 0.25);

    const std::string Groove = "R.R.O.R.R.R.O.R.";
    const std::string Kick = "K.....K.K.......";
    const std::string Snare = "....S.......S...";
    const std::string Hats = "h.h.H.h.h.h.H.ho";

    TSection Intro;
    Intro.Chords = "Am F C G";
    Intro.Bass = "R.......R...R...";
    Intro.Kick = std::string("K.......K.......") + "K.......K......." + "K.......K......." +
                 "K.......K.K.K.K.";
    Intro.Snare = std::string(48, '.') + "........s.s.SSSS";
    Intro.Hats = std::string("c...h...h...h...") + "h...h...h...h..." + "h...h...h...h..." +
                 "h...h...h.......";
    Intro.Pad = true;

    TSection A;
    A.Chords = "Am F C G";
    A.Melody =
        "A4:4 C5:2 E5:2 A5:4 G5:2 E5:2 "
        "F5:6 E5:2 C5:4 A4:4 "
        "G4:2 C5:2 E5:2 G5:2 E5:4 D5:2 C5:2 "
        "D5:8 B4:4 G4:4";
    A.Bass = Groove;
    A.Kick = Kick;
    A.Snare = Snare;
    A.Hats = "c.h.H.h.h.h.H.ho" + std::string("h.h.H.h.h.h.H.ho") + "h.h.H.h.h.h.H.ho" +
             "h.h.H.h.h.h.H.ho";
    A.Pad = false;

    TSection B;
    B.Chords = "F G Em Am";
    B.Melody =
        "C5:2 F5:2 A5:4 G5:2 F5:2 E5:2 F5:2 "
        "G5:6 D5:2 B4:4 D5:4 "
        "E5:4 G5:4 B5:4 A5:2 G5:2 "
        "A5:12 r:4";
    B.Bass = Groove;
    B.Kick = Kick;
    B.Snare = Snare;
    B.Hats = Hats;
    B.Pad = true;

    TSection Bridge;
    Bridge.Chords = "Dm Em F G";
    Bridge.Melody =
        "D5:2 F5:2 A5:2 F5:2 D5:2 F5:2 A5:2 C6:2 "
        "B5:4 G5:4 E5:4 G5:4 "
        "A5:2 G5:2 F5:2 E5:2 F5:4 A5:4 "
        "G5:4 B5:4 D6:8";
    Bridge.Bass = "R.F.O.F.R.F.O.F.";
    Bridge.Kick = std::string("K.......K.......") + "K.......K......." + "K.......K......." +
                  "K...K...K.K.K.K.";
    Bridge.Snare = std::string("....S.......S...") + "....S.......S..." + "....S.......S..." +
                   "....S...s.s.SSSS";
    Bridge.Hats = std::string("c.h.h.h.h.h.h.h.") + "h.h.h.h.h.h.h.h." + "h.h.h.h.h.h.h.h." +
                  "h.h.h.h.h.......";
    Bridge.Pad = true;

    TSection Ending = B;
    Ending.Chords = "F G Em E";
    Ending.Melody =
        "C5:2 F5:2 A5:4 G5:2 F5:2 E5:2 F5:2 "
        "G5:6 D5:2 B4:4 D5:4 "
        "E5:4 G5:4 B5:6 A5:2 "
        "G#5:8 B5:4 E5:2 r:2";
    Ending.Hats = "c.h.H.h.h.h.H.ho" + std::string("h.h.H.h.h.h.H.ho") + "h.h.H.h.h.h.H.ho" +
                  "h.h.H.h.h.h.o...";

    for (const TSection& Section : {Intro, A, B, Bridge, Ending}) {
        Module.Patterns.push_back(MakePattern(Section));
    }
    Module.Orders = {0, 1, 2, 1, 3, 4};
    return Module;
}

// In-game loop, E minor, 150 beats a minute: a driving groove, the main tune
// twice, a higher second tune, a half-time break and a turnaround on B major
// that runs back into the groove.
TModule Game() {
    TModule Module;
    Module.Name = "Pex game";
    Module.Channels = ChannelCount;
    Module.Speed = 6;
    Module.Tempo = 150;
    AddInstruments(Module, 0.125);

    const std::string Groove = "R.RO.RROR.RO.RRO";
    const std::string Kick = "K...K...K...K...";
    const std::string Snare = "....S.......S..s";
    const std::string Hats = "h.H.h.H.h.H.hhH.";
    const std::string CrashHats = "c.H.h.H.h.H.hhH." + Hats + Hats + Hats;

    TSection Intro;
    Intro.Chords = "Em Em C D";
    Intro.Bass = Groove;
    Intro.Kick = Kick;
    Intro.Snare = std::string(48, '.') + "S.S.S.S.SSSSSSSS";
    Intro.Hats = CrashHats;
    Intro.Pad = false;

    TSection A;
    A.Chords = "Em C D B";
    A.Melody =
        "E5:2 G5:2 B5:2 G5:2 E5:2 G5:2 B5:4 "
        "C6:4 B5:2 A5:2 G5:4 E5:4 "
        "F#5:2 A5:2 D6:4 C6:2 B5:2 A5:4 "
        "B5:6 A5:2 F#5:4 D#5:4";
    A.Bass = Groove;
    A.Kick = Kick;
    A.Snare = Snare;
    A.Hats = CrashHats;
    A.Pad = false;

    TSection A2 = A;
    A2.Chords = "Em C D Em";
    A2.Melody =
        "E5:2 G5:2 B5:2 G5:2 E5:2 G5:2 B5:4 "
        "C6:4 B5:2 A5:2 G5:4 E5:4 "
        "F#5:2 G5:2 A5:2 B5:2 A5:2 G5:2 F#5:4 "
        "E5:12 r:4";
    A2.Hats = Hats;

    TSection B = A;
    B.Chords = "Am D G B";
    B.Melody =
        "A5:4 C6:4 E6:4 D6:2 C6:2 "
        "D6:6 C6:2 A5:4 F#5:4 "
        "G5:2 B5:2 D6:2 B5:2 G5:2 B5:2 D6:2 G6:2 "
        "F#6:8 D#6:4 B5:4";
    B.Pad = true;

    TSection Break;
    Break.Chords = "C C D D";
    Break.Melody =
        "E5:8 G5:8 "
        "C6:12 r:4 "
        "D5:8 F#5:8 "
        "A5:12 r:4";
    Break.Bass = "R.......O.......";
    Break.Kick = "K.......K.......";
    Break.Snare = "........S.......";
    Break.Hats = "c...o...o...o..." + std::string("o...o...o...o...") + "o...o...o...o..." +
                 "o...o...o.o.o.o.";
    Break.Pad = true;

    TSection Turn = A;
    Turn.Chords = "Em Em B B";
    Turn.Melody =
        "B5:2 A5:2 G5:2 F#5:2 E5:2 F#5:2 G5:2 A5:2 "
        "B5:8 E6:8 "
        "D#6:4 F#6:4 B5:4 A5:4 "
        "F#5:8 D#5:4 B4:2 r:2";
    Turn.Snare = std::string("....S.......S..s") + "....S.......S..s" + "....S.......S..s" +
                 "S.S.S.S.SSSSSSSS";
    Turn.Pad = true;

    for (const TSection& Section : {Intro, A, A2, B, Break, Turn}) {
        Module.Patterns.push_back(MakePattern(Section));
    }
    Module.Orders = {0, 1, 2, 3, 1, 4, 5};
    return Module;
}

// The program's own atomic replace: a failed write raises "Cannot create file
// ..." with the reason and leaves the earlier file whole.
void WriteFile(const std::string& Path, const std::vector<uint8_t>& Bytes) {
    PlatformReplaceFile(Path, std::string(Bytes.begin(), Bytes.end()));
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: xmwriter <music folder>\n");
        return 2;
    }
    try {
        const std::string Folder = std::string(argv[1]) + "/";
        WriteFile(Folder + "splash.oxm", EncodeXm(Splash()));
        WriteFile(Folder + "game.oxm", EncodeXm(Game()));
    } catch (const std::exception& Error) {
        std::fprintf(stderr, "xmwriter: %s\n", Error.what());
        return 1;
    }
    return 0;
}
