#include "sound/PortAudioLibrary.h"

#ifdef SUNDREL_HAVE_ALSA
#include <alsa/asoundlib.h>
#endif
#ifdef SUNDREL_HAVE_JACK
#include <jack/jack.h>
#endif

namespace sundrel::audio {

namespace {

#ifdef SUNDREL_HAVE_ALSA
void QuietAlsa(const char*, int, const char*, int, const char*, ...) {}
#endif
#ifdef SUNDREL_HAVE_JACK
void QuietJack(const char*) {}
#endif

class PortAudioLibrary {
  public:
    static PaError Status() {
        static PortAudioLibrary library;
        return library.m_status;
    }
    ~PortAudioLibrary() {
        if (m_status == paNoError) {
            Pa_Terminate();
        }
    }
    PortAudioLibrary(const PortAudioLibrary&) = delete;
    PortAudioLibrary& operator=(const PortAudioLibrary&) = delete;

  private:
    PortAudioLibrary() {
#ifdef SUNDREL_HAVE_ALSA
        snd_lib_error_set_handler(QuietAlsa);
#endif
#ifdef SUNDREL_HAVE_JACK
        jack_set_error_function(QuietJack);
        jack_set_info_function(QuietJack);
#endif
        m_status = Pa_Initialize();
    }
    PaError m_status = paNoError;
};

} // namespace

PaError PortAudioStatus() {
    return PortAudioLibrary::Status();
}

} // namespace sundrel::audio
