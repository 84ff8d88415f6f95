#pragma once
// A scratch folder of firmware files for one test, removed afterwards.

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

namespace krm::test {

// Bytes that differ from block to block and never form a run of zeros.
inline std::vector<std::uint8_t> FirmwareBytes(std::size_t length, unsigned seed = 1) {
    std::vector<std::uint8_t> bytes(length);
    std::uint32_t x = 2463534242u ^ seed;
    for (std::uint8_t& b : bytes) {
        x ^= x << 13;
        x ^= x >> 17;
        x ^= x << 5;
        b = static_cast<std::uint8_t>(x % 255 + 1);
    }
    return bytes;
}

class FirmwareFolder {
public:
    FirmwareFolder() {
        std::random_device rd;
        m_path = std::filesystem::temp_directory_path() /
                 ("krm416x-update-test-" + std::to_string(rd()) + std::to_string(rd()));
        std::filesystem::create_directories(m_path);
    }
    ~FirmwareFolder() {
        std::error_code ec;
        std::filesystem::remove_all(m_path, ec);
    }
    FirmwareFolder(const FirmwareFolder&) = delete;
    FirmwareFolder& operator=(const FirmwareFolder&) = delete;

    std::filesystem::path write(const std::string& name, const std::vector<std::uint8_t>& bytes) {
        const std::filesystem::path file = m_path / name;
        std::ofstream out(file, std::ios::binary);
        out.write(reinterpret_cast<const char*>(bytes.data()),
                  static_cast<std::streamsize>(bytes.size()));
        return file;
    }
    const std::filesystem::path& path() const { return m_path; }

private:
    std::filesystem::path m_path;
};

} // namespace krm::test
