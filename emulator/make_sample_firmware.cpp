// Writes a sample firmware file of the given size for the demo folder: bytes that look like
// code, the same on every build.
// Usage: make_sample_firmware FILE SIZE SEED
#include <cstdint>
#include <cstdlib>
#include <fstream>

int main(int argc, char** argv) {
    if (argc != 4) return 2;
    const unsigned long size = std::strtoul(argv[2], nullptr, 10);
    std::uint32_t state = static_cast<std::uint32_t>(std::strtoul(argv[3], nullptr, 10)) | 1u;
    std::ofstream out(argv[1], std::ios::binary | std::ios::trunc);
    for (unsigned long i = 0; i < size; ++i) {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        out.put(static_cast<char>(state & 0xFF));
    }
    return out ? 0 : 1;
}
