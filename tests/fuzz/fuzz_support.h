#ifndef VN_FUZZ_FUZZ_SUPPORT_H
#define VN_FUZZ_FUZZ_SUPPORT_H

#include <cstddef>
#include <cstdint>
#include <string>

#include "command_control.h"

namespace VN_Fuzz {

// A fresh folder under the system's temporary folder, made the working
// directory for the rest of the run, so every station path the code writes
// (data, journals, /etc copies) lands there. Its sim_station.xml names a
// local unit port nothing listens on and no web server, so nothing reaches
// another program of this machine. Made once; the same path afterwards.
const std::string& WorkDir();

// Copies the shipped simulated station into the working directory (once).
// Without its devices the working directory keeps its own sim_station.xml,
// so the controller's code reaches no program of the shipped ports.
void CopyShippedStation(bool withDevices);

// Writes bytes to a file of the working directory, making its folders; its path.
std::string WriteWorkFile(const std::string& name, const uint8_t* data, size_t size);

// A link whose transport is a buffer: it takes what is written and reads the
// given bytes in chunks whose sizes the input chooses, then reports the link
// gone, so the framing code runs exactly as on a wire that stops.
class ScriptedLink : public VN_Lib::CommandControl {
public:
    ScriptedLink();
    // The bytes the transport delivers from now on; chunkSeed varies the
    // sizes of the reads.
    void Feed(const std::string& bytes, uint8_t chunkSeed);

    int OpenPort() override { return 0; }
    int SendData(int length, const char* data, int timeoutMs) override;
    int GetData(int maxLength, char* buffer, int* count) override;
    // A real transport empties only what arrived before the request; the
    // scripted reply stands for what arrives after it.
    int EmptyInputBuffer() override { return 0; }

protected:
    bool WaitForInput(int timeoutMs) override { return true; }

private:
    std::string input;
    size_t position = 0;
    uint8_t seed = 0;
};

}  // namespace VN_Fuzz

#endif
