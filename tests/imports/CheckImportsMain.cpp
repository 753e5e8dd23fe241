// check_pe_imports ALLOWED_LIST FOLDER
// Reads every PE image in FOLDER (and its subfolders), prints what each asks of the loader and
// fails when one would not load, or would fail a call, on Windows XP SP2 (see ImportRules.h).
// Runs on the build machine: the 32-bit images need not be executable here.
#include <algorithm>
#include <cstdint>
#include <exception>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <map>
#include <string>
#include <vector>

#include "tests/imports/ImportRules.h"
#include "tests/imports/PeImports.h"

namespace fs = std::filesystem;

namespace {

std::vector<std::uint8_t> Bytes(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

std::string Lower(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return text;
}

void Describe(const std::string& name, const pe::Image& image) {
  const char* machine = image.machine == PeFile::kMachineI386    ? "x86"
                        : image.machine == PeFile::kMachineArm64 ? "ARM64"
                                                                 : "x64";
  std::cout << name << ": " << machine << ' ' << (image.isDll ? "DLL" : "program") << ", OS "
            << pe::ToString(image.os) << ", subsystem " << pe::ToString(image.subsystem) << ", "
            << (image.imports.empty() ? "no imports" : "imports:") << '\n';
  std::map<std::string, std::vector<std::string>> byDll;
  for (const pe::Import& import : image.imports) {
    byDll[import.dll].push_back(import.function.empty() ? "#" + std::to_string(import.ordinal)
                                                        : import.function);
  }
  for (const auto& [dll, functions] : byDll) {
    std::cout << "  " << dll << ':';
    for (const std::string& function : functions) {
      std::cout << ' ' << function;
    }
    std::cout << '\n';
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::cerr << "usage: check_pe_imports ALLOWED_LIST FOLDER\n";
    return 2;
  }
  try {
    const std::vector<std::uint8_t> listBytes = Bytes(argv[1]);
    const auto allowed = pe::AllowedImports::Parse(std::string(listBytes.begin(), listBytes.end()));
    if (allowed.Size() == 0) {
      std::cerr << argv[1] << ": no functions listed\n";
      return 2;
    }
    const fs::path folder = argv[2];
    std::vector<fs::path> files;
    for (const auto& entry : fs::recursive_directory_iterator(folder)) {
      if (entry.is_regular_file()) {
        files.push_back(entry.path());
      }
    }
    std::sort(files.begin(), files.end());

    int images = 0;
    std::vector<std::string> failures;
    for (const fs::path& file : files) {
      const std::string name = fs::relative(file, folder).generic_string();
      const std::vector<std::uint8_t> bytes = Bytes(file);
      const std::string extension = Lower(file.extension().string());
      const bool looksLikeImage = bytes.size() >= 2 && bytes[0] == 'M' && bytes[1] == 'Z';
      if (!looksLikeImage && extension != ".exe" && extension != ".dll") {
        continue;
      }
      ++images;
      try {
        const pe::Image image = pe::ReadImage(bytes);
        Describe(name, image);
        for (const std::string& problem : pe::XpProblems(image, allowed)) {
          failures.push_back(name + ": " + problem);
        }
      } catch (const std::exception& error) {
        failures.push_back(name + ": not a PE image the loader could read: " + error.what());
      }
    }
    if (images == 0) {
      failures.push_back(folder.string() + ": no PE image found");
    }
    for (const std::string& failure : failures) {
      std::cout << "FAILED " << failure << '\n';
    }
    std::cout << images << " image(s), " << failures.size() << " problem(s)\n";
    return failures.empty() ? 0 : 1;
  } catch (const std::exception& error) {
    std::cerr << error.what() << '\n';
    return 2;
  }
}
