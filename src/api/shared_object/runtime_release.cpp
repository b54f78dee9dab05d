// Built into the shared object alone, which carries its own copy of the C++
// runtime: that copy keeps an emergency buffer for exceptions thrown when
// memory runs out, allocated at load and never freed, so each unload would
// leave it behind. Linked before the library's archive, this object is built
// first and destroyed last, when nothing of the library can throw any more.
namespace __gnu_cxx {
void __freeres() noexcept;
}

namespace {

struct RuntimeRelease {
    ~RuntimeRelease() { __gnu_cxx::__freeres(); }
};
RuntimeRelease g_runtimeRelease;

}  // namespace
