// coder2.exe: ffmpeg with the options the program passes, translated where today's ffmpeg spells
// them differently.
#include "tools/adapter.h"

int main(int argc, char** argv) {
    using namespace lumivox::tools;
    return ffmpegAdapter(adapterCall(argc, argv), {});
}
