// The soak: many random scripts played through the real turn loop on the virtual clock.
// Each script is a game of its own in a child process, played by the scripted player,
// which checks the rules as it goes (one answer at most per line, the flags only along
// their chain, an end only by an ending or by Escape). Lines come from the game's own
// vocabulary, mixed with random bytes. The same run number always gives the same scripts.
//
// usage: sombrial-soak [SCRIPTS [LINES [JOBS [FIRST]]]]  (1000 scripts of 100 lines, 2 at a
//        time, from script 0)
//        sombrial-soak --print NUMBER LINES       (the lines of one script)
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

#include "SDL_image.h"
#include "shell/shell.h"
#include "tests/soak/player.h"

extern "C" {

SDL_Surface* __real_IMG_LoadTyped_RW(SDL_RWops* src, int freesrc, char* type);

// Pictures are handed to the game as their top rows only, in the Screen's own pixel format:
// redrawing the Screen after every key then copies a thin strip instead of converting
// 217,600 pixels, which is what lets a soak of 100,000 lines run in minutes. The soak
// checks the game's rules; what the pictures look like is for the unit and fault tests.
// The glyph sheet is left as it is decoded.
constexpr int PictureRows = 16;

SDL_Surface* __wrap_IMG_LoadTyped_RW(SDL_RWops* src, int freesrc, char* type)
{
    SDL_Surface* decoded = __real_IMG_LoadTyped_RW(src, freesrc, type);
    if (!decoded || strcmp(type, "BMP") != 0 || !Screen)
        return decoded;
    SDL_PixelFormat* f = Screen->format;
    SDL_Surface* strip = SDL_CreateRGBSurface(SDL_SWSURFACE, decoded->w, PictureRows, 32,
                                              f->Rmask, f->Gmask, f->Bmask, 0);
    if (strip)
        SDL_BlitSurface(decoded, nullptr, strip, nullptr);
    SDL_FreeSurface(decoded);
    return strip;
}

}  // extern "C"

namespace {

// Whole commands of every room, common commands and the door code, as a player types them.
const char* const Commands[] = {
    "mirar rata", "examinar animal", "mirar perro", "examinar mesa", "mirar entorno",
    "usar jeringuilla en rata", "inyectar aguja al raton", "pinchar liquido en roedor",
    "coger rata", "recojer roedor", "usar mechero", "usar cinta en cable",
    "utilizar cinta aislante con cables", "examinar dibujo", "mirar cuadro",
    "coger escopeta", "recojer arma", "coger pistola", "usar escopeta", "usar arma en perro",
    "disparar arma al perro", "disparar escopeta", "usar escopeta en animal",
    "examinar ranura", "introducir codigo", "meter digitos en ranura", "746", " 746", "746 ",
    "inventario", "ayuda", "INVENTARIO", "   ayuda", "ayuda por favor", "", "   ",
};
const char* const Directions[] = {"n", "s", "e", "o", "norte", "sur", "este", "oeste", "SUR", " norte"};

// Words of the synonym table and of the rooms' command strings, and a few others.
const char* const Words[] = {
    "examinar", "mirar", "ojear", "recojer", "coger", "usar", "utilizar", "en", "con", "al",
    "rata", "animal", "roedor", "raton", "perro", "doberman", "mesa", "mueble", "sala",
    "habitacion", "entorno", "cuarto", "laboratorio", "jeringuilla", "aguja", "inyeccion",
    "liquido", "escopeta", "arma", "pistola", "inyectar", "pinchar", "introducir", "insertar",
    "meter", "codigo", "digitos", "cable", "cables", "mechero", "cinta", "aislante", "dibujo",
    "ranura", "disparar", "norte", "sur", "este", "oeste", "inventario", "ayuda", "746",
    "se\xF1or", "\xBFque?", "%s%n", "EN", "RATA",
};

// The chapter from start to end; some scripts follow it, with noise between its lines.
const char* const Walkthrough[] = {
    "usar jeringuilla en rata", "s", "coger rata", "usar mechero", "usar cinta en cable",
    "s", "coger escopeta", "n", "n", "disparar arma al perro", "coger rata", "s", "o",
    "examinar ranura", "746",
};

using Random = std::mt19937;

template <size_t N>
const char* Pick(Random& r, const char* const (&list)[N])
{
    return list[std::uniform_int_distribution<size_t>(0, N - 1)(r)];
}

int Roll(Random& r, int n) { return std::uniform_int_distribution<int>(0, n - 1)(r); }

// A byte a key can carry: anything but NUL and Enter.
char AnyByte(Random& r)
{
    int c;
    do
        c = 1 + Roll(r, 255);
    while (c == 13);
    return static_cast<char>(c);
}

std::string RandomLine(Random& r)
{
    int kind = Roll(r, 100);
    if (kind < 35)
        return Pick(r, Commands);
    if (kind < 50)
        return Pick(r, Directions);
    if (kind < 80) {  // a few known words, one or two spaces apart, any case
        std::string line = Roll(r, 8) ? "" : " ";
        for (int n = 1 + Roll(r, 4), i = 0; i < n; ++i) {
            if (i)
                line += Roll(r, 6) ? " " : "  ";
            line += Pick(r, Words);
        }
        if (!Roll(r, 5))
            for (char& c : line)
                c = Roll(r, 2) ? static_cast<char>(toupper(static_cast<unsigned char>(c))) : c;
        return line;
    }
    if (kind < 97) {  // random bytes: backspaces, Escape's key-down, Latin-1, controls
        std::string line;
        for (int n = Roll(r, 25), i = 0; i < n; ++i)
            line += AnyByte(r);
        return line;
    }
    if (kind < 99 || Roll(r, 3)) {  // a command mended with backspaces
        std::string line = Pick(r, Commands);
        line += "xyz\b\b\b";
        return line;
    }
    std::string line;  // longer than the command line takes
    for (int n = 480 + Roll(r, 80), i = 0; i < n; ++i)
        line += Roll(r, 4) ? static_cast<char>('a' + Roll(r, 26)) : ' ';
    return line;
}

bool IsMove(std::string line)
{
    line.erase(0, line.find_first_not_of(' '));
    for (char& c : line)
        c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
    for (const char* move : {"n", "s", "e", "o", "norte", "sur", "este", "oeste"})
        if (line == move)
            return true;
    return false;
}

std::vector<std::string> MakeScript(unsigned number, int lines)
{
    Random r(number + 1);
    std::vector<std::string> script;
    // Every fourth script follows the chapter, with up to two other lines after each of its
    // steps (none that move, and none between the code question and the code).
    bool walk = number % 4 == 0;
    size_t step = 0;
    constexpr size_t steps = sizeof Walkthrough / sizeof *Walkthrough;
    while (static_cast<int>(script.size()) < lines) {
        if (walk && step < steps) {
            script.push_back(Walkthrough[step++]);
            if (step < steps && strcmp(Walkthrough[step - 1], "examinar ranura") == 0)
                continue;
            for (int noise = Roll(r, 3); noise > 0; --noise) {
                std::string line = RandomLine(r);
                if (!IsMove(line))
                    script.push_back(line);
            }
        } else {
            script.push_back(RandomLine(r));
        }
    }
    script.resize(static_cast<size_t>(lines));
    return script;
}

std::string Printable(const std::string& line)
{
    std::string out;
    for (unsigned char c : line) {
        if (c >= 32 && c < 127 && c != '\\') {
            out += static_cast<char>(c);
        } else {
            char hex[8];
            snprintf(hex, sizeof hex, "\\x%02X", c);
            out += hex;
        }
    }
    return out;
}

struct Child {
    pid_t pid;
    int report;
    unsigned number;
};

// Totals over all games.
struct Totals {
    unsigned games = 0, escapes = 0, deaths = 0, chapterEnds = 0;
    unsigned long lines = 0, answers = 0, frames = 0;
    unsigned long steps[7] = {};
};

bool Collect(const Child& child, int status, int lines, Totals* totals)
{
    char text[512] = {};
    ssize_t n = read(child.report, text, sizeof text - 1);
    close(child.report);
    std::string report = n > 0 ? std::string(text, static_cast<size_t>(n)) : "";
    bool ok = WIFEXITED(status) && WEXITSTATUS(status) == 0 && !report.empty();
    if (!ok) {
        fprintf(stderr, "script %u failed (%s %d), report: %s\nits lines:\n", child.number,
                WIFEXITED(status) ? "exit status" : "signal",
                WIFEXITED(status) ? WEXITSTATUS(status) : WTERMSIG(status), report.c_str());
        for (const std::string& line : MakeScript(child.number, lines))
            fprintf(stderr, "  [%s]\n", Printable(line).c_str());
        return false;
    }
    ++totals->games;
    if (report.find("end=escape") == 0) ++totals->escapes;
    if (report.find("end=death") == 0) ++totals->deaths;
    if (report.find("end=chapter-end") == 0) ++totals->chapterEnds;
    unsigned long l = 0, a = 0, f = 0, s[7] = {};
    if (sscanf(report.c_str(), "%*s lines=%lu answers=%lu frames=%lu steps=%lu,%lu,%lu,%lu,%lu,%lu,%lu",
               &l, &a, &f, &s[0], &s[1], &s[2], &s[3], &s[4], &s[5], &s[6]) == 10) {
        totals->lines += l;
        totals->answers += a;
        totals->frames += f;
        for (int i = 0; i < 7; ++i)
            totals->steps[i] += s[i];
    }
    return true;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc == 4 && strcmp(argv[1], "--print") == 0) {  // --print NUMBER LINES
        for (const std::string& line : MakeScript(static_cast<unsigned>(atoi(argv[2])), atoi(argv[3])))
            printf("[%s]\n", Printable(line).c_str());
        return 0;
    }
    unsigned scripts = argc > 1 ? static_cast<unsigned>(atoi(argv[1])) : 1000;
    int lines = argc > 2 ? atoi(argv[2]) : 100;
    unsigned jobs = argc > 3 ? static_cast<unsigned>(atoi(argv[3])) : 2;
    unsigned first = argc > 4 ? static_cast<unsigned>(atoi(argv[4])) : 0;
    if (jobs < 1)
        jobs = 1;

    Totals totals;
    std::vector<Child> running;
    unsigned next = first;
    bool failed = false;
    unsigned end = first + scripts;
    while ((next < end && !failed) || !running.empty()) {
        if (next < end && !failed && running.size() < jobs) {
            int fds[2];
            if (pipe(fds) != 0)
                return 2;
            fflush(nullptr);
            pid_t pid = fork();
            if (pid == 0) {
                close(fds[0]);
                player::SetScript(MakeScript(next, lines));
                player::SetReportDescriptor(fds[1]);
                player::Play();
            }
            close(fds[1]);
            running.push_back({pid, fds[0], next++});
            continue;
        }
        int status = 0;
        pid_t done = wait(&status);
        for (size_t i = 0; i < running.size(); ++i) {
            if (running[i].pid != done)
                continue;
            failed = !Collect(running[i], status, lines, &totals) || failed;
            running.erase(running.begin() + static_cast<long>(i));
            break;
        }
    }

    printf("%u scripts of %d lines: %lu lines typed, %lu answers, %lu frames\n", totals.games,
           lines, totals.lines, totals.answers, totals.frames);
    printf("ended by Escape %u, by death %u, by the chapter's end %u\n", totals.escapes,
           totals.deaths, totals.chapterEnds);
    printf("flag steps:");
    for (int i = 0; i < 7; ++i)
        printf("%s %s %lu", i ? "," : "", player::StepNames[i], totals.steps[i]);
    printf("\n");
    return failed || totals.games != scripts ? 1 : 0;
}
