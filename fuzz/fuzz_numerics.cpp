// libFuzzer target: the numerics entry points and the threshold search on
// arbitrary doubles (NaN, infinities, subnormals and huge values included).
//
// Every call must return or raise Numerics_1_1::Exception (or, for the search,
// PrecisionNotReached); none may hang or crash.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <iostream>
#include <streambuf>

#include "numerics/numerics.h"
#include "threshold/threshold.h"

namespace {

// Discards the two-line error messages of the numerics library.
class NullBuffer : public std::streambuf {
  protected:
    int overflow(int c) override { return c; }
};
NullBuffer g_null_buffer;

// The input as a routine selector followed by doubles in their byte form.
class Arguments {
  public:
    Arguments(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}

    std::uint8_t selector() { return size_ > 0 ? (--size_, *data_++) : 0; }
    double next() {
        double value = 0.0;
        const std::size_t n = size_ < sizeof value ? size_ : sizeof value;
        std::memcpy(&value, data_, n);
        data_ += n;
        size_ -= n;
        return value;
    }

  private:
    const std::uint8_t* data_;
    std::size_t size_;
};

double call(std::uint8_t selector, Arguments& args) {
    using namespace Numerics_1_1;
    const double a = args.next();
    const double b = args.next();
    switch (selector % 9) {
        case 0:
            return gammp(a, b);
        case 1:
            return gammq(a, b);
        case 2:
            return chisqp(a, b);
        case 3:
            return chisqv(a, b);
        case 4:
            return normv(a, b, args.next());
        case 5:
            return errf(a);
        case 6:
            return errfc(a);
        case 7:
            return errfc_cheb(a);
        default: {
            const lodthresh::ThresholdParameters parameters{a, b, args.next(), args.next(),
                                                            args.next()};
            return lodthresh::compute_thresholds(parameters).lod_dense;
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    std::cerr.rdbuf(&g_null_buffer);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Arguments args(data, size);
    const std::uint8_t selector = args.selector();
    try {
        volatile double result = call(selector, args);
        (void)result;
    } catch (const Numerics_1_1::Exception&) {
    } catch (const lodthresh::PrecisionNotReached&) {
    }
    return 0;
}
