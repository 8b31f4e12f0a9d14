// Reading a row's text cells as the store's types; a cell that is not what the schema says is a
// damaged database, reported as such rather than read as zero.
#include <cerrno>
#include <cstdlib>

#include "store/sql_connection.h"

namespace kokurin {
namespace store {

bool SqlRow::isNull(std::size_t column) const {
    return column >= cells.size() || !cells[column].has_value();
}

std::string SqlRow::text(std::size_t column) const {
    return isNull(column) ? std::string() : *cells[column];
}

std::int64_t SqlRow::integer(std::size_t column) const {
    const std::optional<std::int64_t> value = optionalInteger(column);
    if (!value) {
        throw StoreError("the database holds no number where one belongs");
    }
    return *value;
}

double SqlRow::real(std::size_t column) const {
    const std::optional<double> value = optionalReal(column);
    if (!value) {
        throw StoreError("the database holds no number where one belongs");
    }
    return *value;
}

std::optional<std::int64_t> SqlRow::optionalInteger(std::size_t column) const {
    if (isNull(column)) {
        return std::nullopt;
    }
    const std::string& cell = *cells[column];
    char* end = nullptr;
    errno = 0;
    const long long value = std::strtoll(cell.c_str(), &end, 10);
    if (cell.empty() || *end != '\0' || errno != 0) {
        throw StoreError("the database holds '" + cell.substr(0, 20) +
                         "' where a whole number belongs");
    }
    return static_cast<std::int64_t>(value);
}

std::optional<double> SqlRow::optionalReal(std::size_t column) const {
    if (isNull(column)) {
        return std::nullopt;
    }
    const std::string& cell = *cells[column];
    char* end = nullptr;
    const double value = std::strtod(cell.c_str(), &end);
    if (cell.empty() || *end != '\0') {
        throw StoreError("the database holds '" + cell.substr(0, 20) + "' where a number belongs");
    }
    return value;
}

} // namespace store
} // namespace kokurin
