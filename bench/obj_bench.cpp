// Reading two ~100 MB OBJ files, generated here into /tmp: a triangulated grid
// (v, vt, vn, f a/b/c) and a model of irregular shape and number formats with mixed
// face forms, repeated. Against a bare read() of each file in the same run: the
// single-threaded reader, the threaded one (2 threads) and tinyobjloader. Every
// round times all of them once, in turn; the ratios are medians over the rounds.
// Before timing, the results are checked: threaded against single-threaded, field
// for field, and single-threaded against the literal reference reading.
// On the model file also Model's assembly: each round reads as Model reads (corners
// past the third, smoothing and material lines), then assembles that reading. That
// runs in a fresh process of its own (this program, run again with --assembly).

#include "vornak/Mesh3D.h"
#include "vornak/Model.h"
#include "tests/support/ObjReference.h"

#include <fcntl.h>
#ifdef __GLIBC__
#include <malloc.h>
#endif
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#ifdef VORNAK_HAVE_TINYOBJLOADER
#include <tiny_obj_loader.h>
#endif

namespace {

using vornak_engine::Mesh3D;
using vornak_engine::ObjReader;

constexpr std::size_t kTargetBytes = 100u << 20;
constexpr double kSingleTarget = 0.32;   // single-threaded speed / read()'s
constexpr double kThreadedTarget = 1.7;  // threaded speed / single-threaded
constexpr unsigned kThreads = 2;
constexpr double kAssemblyTarget = 0.30; // the share the assembly may add to reading

struct Random {
    std::uint64_t state;
    std::uint64_t next()
    {
        state = state * 6364136223846793005ull + 1442695040888963407ull;
        return state >> 33;
    }
    double unit() { return static_cast<double>(next() % 1000000007) / 1000000007.0; }
};

// "-0.123456": six decimals from a fixed-point integer, as many exporters print them.
void appendDecimal(std::string& out, Random& random)
{
    const long long micro = static_cast<long long>(random.next() % 2000001) - 1000000;
    char text[32];
    const long long magnitude = micro < 0 ? -micro : micro;
    const int n = std::snprintf(text, sizeof text, " %s%lld.%06lld", micro < 0 ? "-" : "", magnitude / 1000000,
                                magnitude % 1000000);
    out.append(text, static_cast<std::size_t>(n));
}

std::string grid()
{
    constexpr int kGrid = 700; // 490,000 positions, 977,202 triangles, about 104 MB
    std::string out;
    out.reserve(110u << 20);
    Random random{42};
    out += "# vornak benchmark grid\no grid\n";
    const int positions = kGrid * kGrid;
    const char* kinds[] = {"v", "vt", "vn"};
    for (int kind = 0; kind < 3; ++kind) {
        for (int i = 0; i < positions; ++i) {
            out += kinds[kind];
            for (int j = 0; j < (kind == 1 ? 2 : 3); ++j)
                appendDecimal(out, random);
            out += '\n';
        }
    }
    auto corner = [&](int p) {
        // Texture and normal indices differ from the position's so each is really read.
        out += ' ' + std::to_string(p + 1) + '/' + std::to_string((p * 7) % positions + 1) + '/' +
               std::to_string((p * 13) % positions + 1);
    };
    for (int y = 0; y + 1 < kGrid; ++y) {
        for (int x = 0; x + 1 < kGrid; ++x) {
            const int a = y * kGrid + x, b = a + 1, c = a + kGrid, d = c + 1;
            out += 'f', corner(a), corner(b), corner(d);
            out += "\nf", corner(a), corner(d), corner(c);
            out += '\n';
        }
    }
    return out;
}

// One exported-looking model: objects, groups, materials and smoothing lines,
// values printed with varying precision (%g gives exponents for small ones), a
// fourth w value now and then, vt with three values, quads and triangles in all four
// corner forms, one object with relative indices. Repeated up to ~100 MB.
std::string model()
{
    Random random{7};
    std::string one = "# exported model\nmtllib model.mtl\n";
    char text[160];
    int positions = 0, texts = 0, normals = 0;
    const int kObjects = 6, kRing = 48, kRings = 40;
    for (int object = 0; object < kObjects; ++object) {
        std::snprintf(text, sizeof text, "o part_%d\ng part_%d\nusemtl material_%d\ns %d\n", object, object,
                      object % 3, object % 2);
        one += text;
        const int first = positions, firstText = texts, firstNormal = normals;
        for (int r = 0; r < kRings; ++r) {
            for (int i = 0; i < kRing; ++i) {
                const double a = 2 * M_PI * i / kRing, b = M_PI * r / (kRings - 1);
                const double radius = 1.0 + 0.35 * object + 0.02 * random.unit();
                const double x = radius * std::sin(b) * std::cos(a), y = radius * std::cos(b) + object * 2.5,
                             z = radius * std::sin(b) * std::sin(a);
                const int precision = 4 + static_cast<int>(random.next() % 6);
                if (random.next() % 17 == 0)
                    std::snprintf(text, sizeof text, "v %.*g %.*g %.*g 1.0\n", precision, x, precision, y, precision,
                                  z * 1e-5);
                else
                    std::snprintf(text, sizeof text, "v %.*g %.*g %.*g\n", precision, x, precision, y, precision, z);
                one += text;
                std::snprintf(text, sizeof text, object % 2 ? "vt %.6f %.6f\n" : "vt %.4f %.4f 0.0000\n",
                              static_cast<double>(i) / kRing, static_cast<double>(r) / (kRings - 1));
                one += text;
                std::snprintf(text, sizeof text, "vn %.4f %.4f %.4f\n", std::sin(b) * std::cos(a), std::cos(b),
                              std::sin(b) * std::sin(a));
                one += text;
            }
        }
        positions += kRings * kRing, texts += kRings * kRing, normals += kRings * kRing;
        const bool relative = object == kObjects - 1;
        auto index = [&](int base, int entry, int count) {
            return relative ? std::to_string(entry - count) : std::to_string(base + entry + 1);
        };
        for (int r = 0; r + 1 < kRings; ++r) {
            for (int i = 0; i < kRing; ++i) {
                const int corners[4] = {r * kRing + i, r * kRing + (i + 1) % kRing, (r + 1) * kRing + (i + 1) % kRing,
                                        (r + 1) * kRing + i};
                const int form = static_cast<int>((object + r / 8) % 4);
                auto corner = [&](int c) {
                    const std::string v = index(first, corners[c], positions - first);
                    const std::string t = index(firstText, corners[c], texts - firstText);
                    const std::string n = index(firstNormal, corners[c], normals - firstNormal);
                    return form == 0 ? v : form == 1 ? v + "/" + t : form == 2 ? v + "//" + n : v + "/" + t + "/" + n;
                };
                if (random.next() % 3 == 0) {
                    one += "f " + corner(0) + " " + corner(1) + " " + corner(2) + " " + corner(3) + "\n";
                } else {
                    one += "f " + corner(0) + " " + corner(1) + " " + corner(2) + "\n";
                    one += "f " + corner(0) + " " + corner(2) + " " + corner(3) + "\n";
                }
            }
        }
    }
    std::string out;
    out.reserve(kTargetBytes + one.size());
    while (out.size() + one.size() <= kTargetBytes)
        out += one;
    return out;
}

void writeIfChanged(const std::string& path, const std::string& text)
{
    std::ifstream existing(path, std::ios::binary);
    std::string old((std::istreambuf_iterator<char>(existing)), std::istreambuf_iterator<char>());
    if (old != text) {
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out.write(text.data(), static_cast<std::streamsize>(text.size()));
    }
}

double seconds()
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

// Of all the process's threads: on a busy machine it shows what the work itself costs.
double cpuSeconds()
{
    timespec t;
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

// What any reader pays at least: the whole file into memory with read().
std::size_t bareRead(const char* path)
{
    const int fd = ::open(path, O_RDONLY);
    struct stat info;
    ::fstat(fd, &info);
    const std::size_t size = static_cast<std::size_t>(info.st_size);
    std::unique_ptr<char[]> bytes(new char[size]);
    std::size_t done = 0;
    while (done < size) {
        const ssize_t got = ::read(fd, bytes.get() + done, size - done);
        if (got <= 0)
            break;
        done += static_cast<std::size_t>(got);
    }
    ::close(fd);
    volatile char last = size ? bytes[size - 1] : 0;
    (void)last;
    return done;
}

std::unique_ptr<Mesh3D> readOurs(const char* path, unsigned threads)
{
    ObjReader::Options options;
    options.threads = threads;
    auto mesh = Mesh3D::withoutGL();
    mesh->loadOBJ(path, options);
    return mesh;
}

template <typename T>
bool same(const std::vector<T>& a, const std::vector<T>& b)
{
    return ObjReference::same(a, b);
}

bool identical(const Mesh3D& a, const Mesh3D& b)
{
    bool ok = same(a.vertices, b.vertices) && same(a.textCoords, b.textCoords) && same(a.normals, b.normals) &&
              same(a.faces, b.faces) && a.faceLines == b.faceLines && a.hasNormals == b.hasNormals &&
              a.hasText == b.hasText;
    for (std::size_t k = 0; ok && k < a.faces.size(); ++k) {
        const vornak_engine::MeshIndex x = a.absoluteFace(k), y = b.absoluteFace(k);
        ok = std::memcmp(&x, &y, sizeof x) == 0;
    }
    return ok;
}

#ifdef VORNAK_HAVE_TINYOBJLOADER
bool readTheirs(const char* path)
{
    tinyobj::attrib_t attrib;
    std::vector<tinyobj::shape_t> shapes;
    std::vector<tinyobj::material_t> materials;
    std::string warn, err;
    // No triangulation asked: tinyobjloader's cheapest path.
    return tinyobj::LoadObj(&attrib, &shapes, &materials, &warn, &err, path, nullptr, false);
}
#endif

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

struct FileResult {
    std::string name;
    double singleOverRead = 0, threadedOverSingle = 0;
};

FileResult measure(const std::string& name, const std::string& path, const std::string& text, int rounds)
{
    const double mb = static_cast<double>(text.size()) / 1e6;
    std::printf("\n%s: %s, %.1f MB\n", name.c_str(), path.c_str(), mb);
    auto single = readOurs(path.c_str(), 1);
    auto threaded = readOurs(path.c_str(), kThreads);
    if (!identical(*single, *threaded)) {
        std::fprintf(stderr, "%s: threaded and single-threaded readings differ\n", name.c_str());
        std::exit(1);
    }
    if (!ObjReference(text).matches(*single)) {
        std::fprintf(stderr, "%s: the reader differs from the literal reference reading\n", name.c_str());
        std::exit(1);
    }
    std::printf("  checked: threaded = single-threaded = reference reading, to the bit (%zu faces)\n",
                single->faces.size());
    single.reset();
    threaded.reset();

    std::vector<double> readTimes, singleTimes, threadedTimes, singleRatios, threadedRatios, theirTimes;
    std::vector<double> readCpu, singleCpu, threadedCpu;
    for (int round = 0; round < rounds; ++round) {
        double t = seconds(), c = cpuSeconds();
        bareRead(path.c_str());
        const double read = seconds() - t;
        readCpu.push_back(cpuSeconds() - c);
        t = seconds(), c = cpuSeconds();
        readOurs(path.c_str(), 1);
        const double one = seconds() - t;
        singleCpu.push_back(cpuSeconds() - c);
        t = seconds(), c = cpuSeconds();
        readOurs(path.c_str(), kThreads);
        const double two = seconds() - t;
        threadedCpu.push_back(cpuSeconds() - c);
        readTimes.push_back(read), singleTimes.push_back(one), threadedTimes.push_back(two);
        singleRatios.push_back(read / one), threadedRatios.push_back(one / two);
#ifdef VORNAK_HAVE_TINYOBJLOADER
        if (round < 3) {
            t = seconds();
            readTheirs(path.c_str());
            theirTimes.push_back(seconds() - t);
        }
#endif
    }
    auto rate = [&](const std::vector<double>& times) { return mb / median(times); };
    std::printf("  wall-clock rates; CPU time of all threads in brackets\n");
    std::printf("  read():            %7.0f MB/s  [%4.0f ms]\n", rate(readTimes), 1e3 * median(readCpu));
    std::printf("  ours, 1 thread:    %7.0f MB/s  [%4.0f ms]\n", rate(singleTimes), 1e3 * median(singleCpu));
    std::printf("  ours, %u threads:   %7.0f MB/s  [%4.0f ms]\n", kThreads, rate(threadedTimes),
                1e3 * median(threadedCpu));
    if (!theirTimes.empty())
        std::printf("  tinyobjloader:     %7.0f MB/s\n", rate(theirTimes));
    std::printf("  per round, single/read(): ");
    for (double r : singleRatios)
        std::printf(" %.2f", r);
    std::printf("\n  per round, threaded/single:");
    for (double r : threadedRatios)
        std::printf(" %.2f", r);
    std::printf("\n");
    return {name, median(singleRatios), median(threadedRatios)};
}

// (reading + assembly) / reading - 1, paired: every round reads the file, then
// assembles that reading, and the assembly's CPU time is set against that same
// reading's. Both are single-threaded, so CPU time measures the work itself; wall-clock
// time is shown beside it, but a busy machine's preemptions swamp it. Others' load
// still adds to the CPU time (page faults wait on shared locks, caches are shared)
// and drifts from round to round: two separate runs, one reading alone and one
// reading + assembly, each at its least disturbed, compare moments of unlike load.
// The median of the paired rounds is judged; the per-round figures show the spread.
// Freeing the model counts as assembly and freeing the reading as reading.
// Both sides start from fresh memory, as a program loading its model does. Left to
// itself, glibc raises its mmap and trim thresholds (up to 32 and 64 MB) once big
// blocks are freed: from then on the reading's lists, grown step by step, reuse
// memory already faulted in, while the assembly's largest lists (over 32 MB here)
// never can. Measured so, the reading ran 15-20% faster than in a fresh process and
// the assembly's share rose from about 25% to 29-49%. The process must be fresh as
// well: after the reading measures above, the reading still ran some 10% faster.
double measureAssembly(const std::string& path, int rounds)
{
#ifdef __GLIBC__
    mallopt(M_MMAP_THRESHOLD, 128 * 1024); // glibc's starting values, held there
    mallopt(M_TRIM_THRESHOLD, 128 * 1024);
#endif
    ObjReader::Options options;
    options.polygons = true;
    std::vector<double> readTimes, assemblyTimes, readCpu, assemblyCpu, added;
    std::size_t triangles = 0;
    // Round -1 warms up and is not counted: the assembly's first run in a process
    // pays once for what later runs find ready (its code, the kernel's first large pages).
    for (int round = -1; round < rounds; ++round) {
        double t0 = seconds(), c0 = cpuSeconds();
        auto reader = std::make_unique<ObjReader>();
        std::string error;
        reader->readFile(path.c_str(), options, error);
        const double t1 = seconds(), c1 = cpuSeconds();
        {
            auto model = vornak_engine::Model::withoutGL();
            model->assemble(*reader, {});
            triangles = model->indices.size() / 3;
        }
        const double t2 = seconds(), c2 = cpuSeconds();
        reader.reset();
        const double t3 = seconds(), c3 = cpuSeconds();
        if (round < 0)
            continue;
        readTimes.push_back((t1 - t0) + (t3 - t2)), readCpu.push_back((c1 - c0) + (c3 - c2));
        assemblyTimes.push_back(t2 - t1), assemblyCpu.push_back(c2 - c1);
        added.push_back(assemblyCpu.back() / readCpu.back());
    }
    std::printf("  Model (%zu triangles): reading %.0f ms [%.0f ms], assembly %.0f ms [%.0f ms]\n", triangles,
                1e3 * median(readTimes), 1e3 * median(readCpu), 1e3 * median(assemblyTimes),
                1e3 * median(assemblyCpu));
    std::printf("  per round, CPU time the assembly adds to its reading:");
    for (double a : added)
        std::printf(" %.0f%%", 100 * a);
    std::printf("\n");
    return median(added);
}

// measureAssembly() in this program run again, so in a fresh process: its lines pass
// through, and its last line is the median share. Negative if it failed.
double measureAssemblyApart(const char* self, const std::string& path, int rounds)
{
    std::fflush(stdout);
    const std::string command = std::string("'") + self + "' --assembly '" + path + "' " + std::to_string(rounds);
    FILE* child = ::popen(command.c_str(), "r");
    if (!child)
        return -1;
    double added = -1;
    char line[4096];
    while (std::fgets(line, sizeof line, child)) {
        if (std::sscanf(line, "assembly added %lf", &added) != 1)
            std::fputs(line, stdout);
    }
    return ::pclose(child) == 0 ? added : -1;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc == 4 && std::strcmp(argv[1], "--assembly") == 0) {
        std::printf("assembly added %.6f\n", measureAssembly(argv[2], std::max(1, std::atoi(argv[3]))));
        return 0;
    }
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 9;
    std::vector<FileResult> results;
    double assemblyAdded = 0;
    {
        const std::string text = grid();
        const std::string path = "/tmp/vornak_obj_grid.obj";
        writeIfChanged(path, text);
        results.push_back(measure("grid", path, text, rounds));
    }
    {
        const std::string text = model();
        const std::string path = "/tmp/vornak_obj_model.obj";
        writeIfChanged(path, text);
        results.push_back(measure("model", path, text, rounds));
        // argv[0] names no file when the program was found on the PATH.
        char self[4096] = {};
        const ssize_t length = ::readlink("/proc/self/exe", self, sizeof self - 1);
        assemblyAdded = measureAssemblyApart(length > 0 ? self : argv[0], path, rounds);
    }
    std::printf("\n");
    for (const FileResult& r : results)
        std::printf("target: OBJ single-threaded / read(), %s | %.2fx | >= %.2fx | %s\n", r.name.c_str(),
                    r.singleOverRead, kSingleTarget, r.singleOverRead >= kSingleTarget ? "PASS" : "FAIL");
    for (const FileResult& r : results)
        std::printf("target: OBJ %u threads / single-threaded, %s | %.2fx | >= %.2fx | %s\n", kThreads,
                    r.name.c_str(), r.threadedOverSingle, kThreadedTarget,
                    r.threadedOverSingle >= kThreadedTarget ? "PASS" : "FAIL");
    if (assemblyAdded < 0)
        std::printf("target: Model assembly added to reading, model | not measured | <= %.0f%% | FAIL\n",
                    100 * kAssemblyTarget);
    else
        std::printf("target: Model assembly added to reading, model | %.0f%% | <= %.0f%% | %s\n",
                    100 * assemblyAdded, 100 * kAssemblyTarget, assemblyAdded <= kAssemblyTarget ? "PASS" : "FAIL");
    return 0;
}
