#include "app/SharedValues.h"

namespace orv::app {

std::unique_ptr<data::Database> AppDatabase;
std::int16_t InsertSpace = 0;
QString CjkvFontName;
std::optional<float> LastKeyboardLeft;
std::optional<float> LastKeyboardTop;
std::int16_t MeaningLookupMode = 0;

void ResetSharedValues() {
    CjkvFontName.clear();
    InsertSpace = 0;
}

}  // namespace orv::app
