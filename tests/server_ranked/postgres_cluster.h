// A throwaway PostgreSQL cluster for the store's tests: initdb into a temporary folder (as the
// postgres user when the tests run as root, since initdb refuses root), the server listening
// only on a socket in that folder, stopped and removed at the end. A guard process does the
// stopping, so the cluster goes also when the test process is killed.
#pragma once

#include <string>
#include <sys/types.h>

namespace kokurin {
namespace test {

class PostgresCluster {
  public:
    // Where initdb and pg_ctl are ("" when PostgreSQL is not installed).
    static std::string binaryFolder();

    // False, with what went wrong, when the cluster did not start.
    bool start(std::string& error);
    void stop();
    ~PostgresCluster() { stop(); }

    // A libpq URI for the database.
    std::string url(const std::string& database) const;

  private:
    std::string folder_;
    int guardPipe_ = -1;
    pid_t guard_ = -1;
};

} // namespace test
} // namespace kokurin
