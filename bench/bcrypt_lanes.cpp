// Hashes per second of bcrypt computed 1 to 4 lanes at a time on one thread,
// beside libxcrypt's crypt_r called in a loop, as ratios to libxcrypt.
//
//   bench/bcrypt_lanes.sh [rounds] [first cost] [last cost]
//
// Every round times each contender once, in an order rotated from round to
// round, so that a change in the machine's speed falls on all of them; the
// table gives each one's best round, and "spread" how far the median round
// was from the best (the noise). Before it prints, every lane's hash is held
// to libxcrypt's for the same password and salt.
#include <crypt.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "crypto/bcrypt.hpp"
#include "hashstring/layout.hpp"

namespace {

using namespace tavric;
using Clock = std::chrono::steady_clock;

constexpr std::size_t max_lanes = crypto::max_bcrypt_lanes;

struct Job {
    std::string password;
    hashstring::Salt salt;
    std::string setting;  // "$2b$cc$<salt>" for crypt_r
};

struct Contender {
    std::string name;
    std::size_t hashes_per_call;
    std::function<void()> call;
    std::vector<double> rates;  // hashes per second, one per round
};

std::vector<Job> make_jobs(std::uint32_t cost)
{
    static const char* const salts[max_lanes] = {"abcdefghijklmnopqrstuu", "0123456789ABCDEFGHIJKe",
                                                 "zyxwvutsrqponmlkjihgfe", "..////..////..////../."};
    std::vector<Job> jobs;
    for (std::size_t k = 0; k < max_lanes; ++k) {
        char setting[hashstring::setting_length + 1];
        std::snprintf(setting, sizeof setting, "$2b$%02u$%s", cost, salts[k]);
        const auto parsed = hashstring::parse_setting(setting);
        if (!parsed) std::abort();
        jobs.push_back({"password number " + std::to_string(k) + " \xc3\xa9t\xc3\xa9", parsed->salt, setting});
    }
    return jobs;
}

std::string crypt_text(const Job& job, crypt_data& data)
{
    const char* text = crypt_r(job.password.c_str(), job.setting.c_str(), &data);
    if (!text || text[0] == '*') std::abort();
    return text;
}

// Best rate of each contender over `rounds` rounds, each call repeated enough
// to last some milliseconds.
void time_rounds(std::vector<Contender>& contenders, int rounds, int repeats)
{
    for (int round = 0; round < rounds; ++round) {
        for (std::size_t offset = 0; offset < contenders.size(); ++offset) {
            auto& contender = contenders[(round + offset) % contenders.size()];
            const auto start = Clock::now();
            for (int r = 0; r < repeats; ++r) contender.call();
            const std::chrono::duration<double> seconds = Clock::now() - start;
            contender.rates.push_back(double(repeats * contender.hashes_per_call) / seconds.count());
        }
    }
}

double best(std::vector<double> rates) { return *std::max_element(rates.begin(), rates.end()); }

double median(std::vector<double> rates)
{
    std::sort(rates.begin(), rates.end());
    return rates[rates.size() / 2];
}

void bench_cost(std::uint32_t cost, int rounds)
{
    const auto jobs = make_jobs(cost);
    auto data = std::make_unique<crypt_data>();
    std::vector<std::string> expected;
    for (const auto& job : jobs) expected.push_back(crypt_text(job, *data).substr(hashstring::setting_length));

    std::array<hashstring::HashText, max_lanes> hashes[max_lanes + 1] = {};
    std::vector<Contender> contenders;
    contenders.push_back({"libxcrypt", 1, [&] { crypt_text(jobs[0], *data); }, {}});
    for (std::size_t lanes = 1; lanes <= max_lanes; ++lanes) {
        contenders.push_back({std::to_string(lanes) + " lanes", lanes, [&, lanes] {
                                  crypto::BcryptLane group[max_lanes];
                                  for (std::size_t k = 0; k < lanes; ++k) {
                                      const auto& password = jobs[k].password;
                                      group[k] = {{reinterpret_cast<const std::uint8_t*>(password.data()),
                                                   password.size()},
                                                  &jobs[k].salt, &hashes[lanes][k]};
                                  }
                                  if (!crypto::bcrypt_lanes({group, lanes}, cost)) std::abort();
                              },
                              {}});
    }
    const int repeats = cost < 8 ? 1 << (8 - cost) : 1;
    time_rounds(contenders, rounds, repeats);

    for (std::size_t lanes = 1; lanes <= max_lanes; ++lanes)
        for (std::size_t k = 0; k < lanes; ++k)
            if (std::string(hashes[lanes][k].begin(), hashes[lanes][k].end()) != expected[k]) {
                std::fprintf(stderr, "cost %u, %zu lanes: lane %zu differs from libxcrypt\n", cost, lanes, k);
                std::exit(1);
            }

    const double peer = best(contenders[0].rates);
    double spread = 0;
    std::printf("%4u %10.1f", cost, peer);
    for (std::size_t i = 1; i < contenders.size(); ++i) std::printf(" %6.2fx", best(contenders[i].rates) / peer);
    for (const auto& contender : contenders)
        spread = std::max(spread, 1 - median(contender.rates) / best(contender.rates));
    std::printf("   %4.1f%%\n", 100 * spread);
    std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv)
{
    const int rounds = argc > 1 ? std::atoi(argv[1]) : 9;
    const std::uint32_t first = argc > 2 ? std::atoi(argv[2]) : 4;
    const std::uint32_t last = argc > 3 ? std::atoi(argv[3]) : 12;
    std::printf("bcrypt hashes per second on one thread, best of %d rounds, as ratios to libxcrypt crypt_r\n", rounds);
    std::printf("cost  libxcrypt/s  1 lane  2 lanes 3 lanes 4 lanes   spread\n");
    for (std::uint32_t cost = first; cost <= last; ++cost) bench_cost(cost, rounds);
}
