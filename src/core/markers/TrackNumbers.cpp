#include "core/markers/TrackNumbers.h"

namespace sundrel {

std::vector<int> TrackNumbers(std::span<const int> own) {
    std::vector<int> numbers;
    numbers.reserve(own.size());
    int previous = 0;
    for (std::size_t i = 0; i < own.size(); ++i) {
        int number = own[i] > previous ? own[i] : previous + 1;
        if (i == 0 && own[0] <= 0 && own.size() > 1 && own[1] == 1) {
            number = 0; // the pregap before the sheet's track 1
        }
        numbers.push_back(number);
        previous = number;
    }
    return numbers;
}

} // namespace sundrel
