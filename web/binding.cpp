// The page's WebAssembly module: the page's inputs in, the page model's JSON
// answer out. Nothing is computed here.
#include <emscripten/bind.h>

#include "web/page.h"

EMSCRIPTEN_BINDINGS(lodthresh) {
    using lodthresh::web::Request;
    emscripten::value_object<Request>("Request")
        .field("length", &Request::length)
        .field("chromosomes", &Request::chromosomes)
        .field("design", &Request::design)
        .field("rate", &Request::rate)
        .field("tail", &Request::tail)
        .field("alpha", &Request::alpha)
        .field("spacing", &Request::spacing)
        .field("scan", &Request::scan)
        .field("step", &Request::step)
        .field("lod", &Request::lod)
        .field("individuals", &Request::individuals)
        .field("pve", &Request::pve)
        .field("dominance", &Request::dominance)
        .field("noncentrality", &Request::noncentrality)
        // The field's and the option's name.
        .field("target-power", &Request::target_power)
        .field("simulate", &Request::simulate)
        .field("seed", &Request::seed)
        .field("map_name", &Request::map_name)
        .field("map_text", &Request::map_text);
    emscripten::function("designs", &lodthresh::web::designs_json);
    // The page's own limit on a simulation's time.
    emscripten::function("calculate", emscripten::select_overload<std::string(const Request&)>(
                                          &lodthresh::web::calculate_json));
    emscripten::function("csv", &lodthresh::web::csv_text);
}
