"""The side-by-side benchmarks, in one run: writes docs/bench.md (tables)
and docs/bench.png (plots).

    scripts/bench            (sets up, then runs this with the free-threaded build)

Timings are the best of several repetitions of wall time on an otherwise idle
machine; the calls a ratio compares run by turns in the same process, so a
change in the machine's speed falls on both.
"""

import argparse
import json
import os
import pathlib
import platform
import subprocess
import sys
import time
import timeit

import tavric

sys.path.insert(0, str(pathlib.Path(__file__).resolve().parent))
import async_verify  # noqa: E402
import lanes  # noqa: E402
from lanes import best  # noqa: E402

ROOT = pathlib.Path(__file__).resolve().parent.parent
DOCS = ROOT / "docs"
SALT = tavric.gensalt(4)[7:]

# Blowfish block encryptions in one key expansion (P-array and S-boxes).
EXPAND = (18 + 4 * 256) // 2


def blowfish_blocks_bcrypt(cost):
    # One expansion with the salt, 2 * 2**cost plain ones, 64 x 3 blocks of text.
    return (1 + 2 * 2**cost) * EXPAND + 64 * 3


def blowfish_blocks_kdf(key_bytes, rounds):
    # Per 32-byte block and round: one bcrypt_hash (1 + 2 * 64 expansions, 64 x 4 blocks).
    blocks = (key_bytes + 31) // 32
    return blocks * rounds * ((1 + 2 * 64) * EXPAND + 64 * 4)


def bench_hashpw_vs_crypt(costs, repeat):
    crypt = lanes.crypt_function()
    rows = []
    for cost in costs:
        setting = b"$2b$%02d$" % cost + SALT
        assert crypt(b"benchmark", setting) == tavric.hashpw(b"benchmark", setting)
        ours, theirs = best([lambda: tavric.hashpw(b"benchmark", setting), lambda: crypt(b"benchmark", setting)],
                            repeat)
        rows.append({"cost": cost, "hashpw_ms": ours * 1e3, "crypt_ms": theirs * 1e3, "ratio": ours / theirs})
        print(f"cost {cost:2}: hashpw {ours * 1e3:9.2f} ms, crypt {theirs * 1e3:9.2f} ms, ratio {ours / theirs:.3f}", flush=True)
    return rows


def bench_kdf(repeat):
    cost, rounds = 10, 16
    setting = b"$2b$%02d$" % cost + SALT
    hash_time, kdf32, kdf48 = best([
        lambda: tavric.hashpw(b"benchmark", setting),
        lambda: tavric.kdf(b"benchmark", b"salt", 32, rounds, True),
        lambda: tavric.kdf(b"benchmark", b"salt", 48, rounds, True),
    ], repeat)
    per_block_hash = hash_time / blowfish_blocks_bcrypt(cost)
    per_block_kdf = kdf32 / blowfish_blocks_kdf(32, rounds)
    result = {
        "hashpw_cost10_ms": hash_time * 1e3,
        "kdf32_ms": kdf32 * 1e3,
        "kdf48_ms": kdf48 * 1e3,
        "block_ratio": per_block_kdf / per_block_hash,
        "blocks_ratio_of_work": blowfish_blocks_kdf(32, rounds) / blowfish_blocks_bcrypt(cost),
        "ratio_48_32": kdf48 / kdf32,
        "rounds": rounds,
    }
    print(json.dumps(result, indent=1), flush=True)
    return result


def bench_threads(python):
    output = subprocess.run(
        [python, str(ROOT / "bench/threads.py"), "--cost", "10", "--repeat", "5"],
        capture_output=True, text=True, check=True, env=dict(os.environ, PYTHONPATH=""),
    ).stdout
    header, *lines = output.strip().splitlines()
    rows = []
    for line in lines:
        threads = int(line.split()[0])
        speedup = float(line.rsplit(" ", 1)[1])
        wall = float(line.split(":")[1].split("ms")[0])
        rows.append({"threads": threads, "wall_ms": wall, "speedup": speedup})
    print(header, rows, flush=True)
    return {"header": header, "rows": rows}


def bench_overhead():
    number = 200_000

    def per_call(statement, setup="pass"):
        timer = timeit.Timer(statement, setup, globals={"tavric": tavric})
        return min(timer.repeat(5, number)) / number * 1e9

    trivial = per_call("abs(1)")
    gensalt = per_call("tavric.gensalt()")
    rejected = per_call(
        "try:\n    hashpw(b'x', b'bad')\nexcept ValueError:\n    pass", "hashpw = tavric.hashpw"
    )
    caught = per_call("try:\n    raise ValueError('Invalid salt')\nexcept ValueError:\n    pass")
    result = {"trivial_ns": trivial, "gensalt_ns": gensalt, "rejected_hashpw_ns": rejected, "python_raise_ns": caught}
    print(json.dumps(result, indent=1), flush=True)
    return result


def write_markdown(results):
    lines = ["# Benchmarks", "", f"Machine: {results['machine']}", "",
             f"Command: `scripts/bench` ({results['date']})", ""]
    lines += ["## hashpw against libxcrypt's crypt", "", "| cost | hashpw ms | crypt ms | ratio |", "|---|---|---|---|"]
    for row in results["hashpw"]:
        lines.append(f"| {row['cost']} | {row['hashpw_ms']:.2f} | {row['crypt_ms']:.2f} | {row['ratio']:.3f} |")
    k = results["kdf"]
    lines += ["", "## kdf", "",
              f"- per Blowfish block, kdf (32 bytes, {k['rounds']} rounds: {k['kdf32_ms']:.1f} ms) against hashpw "
              f"(cost 10: {k['hashpw_cost10_ms']:.1f} ms): **{k['block_ratio']:.3f}** "
              f"(the kdf does {k['blocks_ratio_of_work']:.3f} times the hash's blocks)",
              f"- 48 bytes ({k['kdf48_ms']:.1f} ms) against 32 bytes at {k['rounds']} rounds: **{k['ratio_48_32']:.3f}**"]
    lines += ["", "## Threads hashing at cost 10", ""]
    for name, data in results["threads"].items():
        lines += [f"{name}: {data['header']}", "", "| threads | wall ms | speedup |", "|---|---|---|"]
        lines += [f"| {r['threads']} | {r['wall_ms']:.1f} | {r['speedup']:.2f} |" for r in data["rows"]]
        lines.append("")
    lines += ["## Batches in lanes against libxcrypt's crypt, one thread", "",
              "Hashes per second on one core: `hashpw_many` over a list, against `crypt` called in a loop over "
              "the same pairs.", "",
              "| cost | hashes | hashpw_many /s | crypt /s | ratio |", "|---|---|---|---|---|"]
    for row in results["batch"]:
        lines.append(f"| {row['cost']} | {row['hashes']} | {row['batch_per_s']:.1f} | {row['crypt_per_s']:.1f} | "
                     f"**{row['ratio']:.2f}** |")
    server = results["server"]
    lines += ["", f"## A loaded server: {server['threads']} threads on {server['cores']} cores, checkpw at cost "
              f"{server['cost']}", "",
              f"Each thread checks a password in a loop for {server['seconds']:.0f} s; the best of three turns.", "",
              "| in the same threads | verifications /s | against crypt_rn |", "|---|---|---|"]
    for name, rate in server["per_s"].items():
        lines.append(f"| {name} | {rate:.1f} | {rate / server['per_s']['libxcrypt crypt_rn']:.2f} |")
    single = results["single"]
    lines += ["", f"One thread alone, checkpw at cost {single['cost']}: {single['on_ms']:.2f} ms with combining "
              f"on, {single['off_ms']:.2f} ms off (ratio **{single['ratio']:.3f}**).", ""]
    a = results["async"]
    lines += [f"## asyncio: {a['tasks']} concurrent `PasswordHasher.averify` at cost {a['cost']}", "",
              f"- longest event-loop stall while they run: **{a['longest_stall_ms']:.2f} ms** "
              f"(the same ticker on an idle loop: {a['idle_longest_stall_ms']:.2f} ms)",
              f"- averify on the bounded pool: {a['averify_per_s']:.1f} verifications/s; `checkpw` from "
              f"{a['tasks']} threads: {a['checkpw_threads_per_s']:.1f}/s (ratio {a['averify_vs_threads']:.2f})", ""]
    o = results["overhead"]
    lines += ["## Per-call overhead (ns per call)", "", "| call | ns |", "|---|---|",
              f"| `abs(1)` (a trivial builtin) | {o['trivial_ns']:.0f} |",
              f"| `gensalt()` | {o['gensalt_ns']:.0f} |",
              f"| `hashpw(b'x', b'bad')`, rejected and caught | {o['rejected_hashpw_ns']:.0f} |",
              f"| `raise ValueError(...)` caught, in Python | {o['python_raise_ns']:.0f} |", ""]
    (DOCS / "bench.md").write_text("\n".join(lines))


def write_plot(results):
    import matplotlib

    matplotlib.use("Agg")
    import matplotlib.pyplot as plt

    figure, ((left, right), (batch, server)) = plt.subplots(2, 2, figsize=(11, 8.4))
    costs = [r["cost"] for r in results["hashpw"]]
    left.semilogy(costs, [r["hashpw_ms"] for r in results["hashpw"]], "o-", label="tavric hashpw")
    left.semilogy(costs, [r["crypt_ms"] for r in results["hashpw"]], "x--", label="libxcrypt crypt")
    left.set_xlabel("cost")
    left.set_ylabel("ms per hash")
    left.set_title("bcrypt")
    left.legend()
    for name, data in results["threads"].items():
        right.plot([r["threads"] for r in data["rows"]], [r["speedup"] for r in data["rows"]], "o-", label=name)
    cores = max(r["threads"] for data in results["threads"].values() for r in data["rows"])
    right.plot([1, cores], [1, cores], ":", color="grey", label="ideal")
    right.set_xlabel("threads")
    right.set_ylabel("speedup over one thread")
    right.set_title("hashpw at cost 10")
    right.legend()
    batch_costs = [r["cost"] for r in results["batch"]]
    batch.semilogy(batch_costs, [r["batch_per_s"] for r in results["batch"]], "o-", label="tavric hashpw_many")
    batch.semilogy(batch_costs, [r["crypt_per_s"] for r in results["batch"]], "x--", label="libxcrypt crypt")
    batch.set_xlabel("cost")
    batch.set_ylabel("hashes per second, one core")
    batch.set_title("a batch on one thread")
    batch.legend()
    names = list(results["server"]["per_s"])
    server.bar(names, [results["server"]["per_s"][n] for n in names], color=["C0", "C1", "C2"])
    server.set_ylabel("verifications per second")
    server.set_title(f"{results['server']['threads']} threads, checkpw at cost {results['server']['cost']}")
    figure.tight_layout()
    figure.savefig(DOCS / "bench.png", dpi=110)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--max-cost", type=int, default=14)
    parser.add_argument("--repeat", type=int, default=9)
    parser.add_argument("--seconds", type=float, default=5.0, help="per turn of the loaded-server benchmark")
    parser.add_argument("--gil-python", help="a standard-build interpreter with tavric installed")
    args = parser.parse_args()
    DOCS.mkdir(exist_ok=True)
    results = {
        "machine": f"{platform.processor() or platform.machine()}, {os.cpu_count()} cores, Python {sys.version.split()[0]}",
        "date": time.strftime("%Y-%m-%d"),
        "hashpw": bench_hashpw_vs_crypt(range(4, args.max_cost + 1), args.repeat),
        "kdf": bench_kdf(args.repeat),
        "threads": {"free-threaded": bench_threads(sys.executable)},
        "overhead": bench_overhead(),
        "batch": lanes.bench_batch_vs_crypt(range(4, min(args.max_cost, 12) + 1), args.repeat),
        "server": lanes.bench_loaded_server(10, args.seconds, 3),
        "single": lanes.bench_single_latency(10, 3 * args.repeat),
        "async": async_verify.measure(10, 64, 5),
    }
    if args.gil_python:
        results["threads"]["standard (GIL)"] = bench_threads(args.gil_python)
    write_markdown(results)
    write_plot(results)
    print(f"wrote {DOCS / 'bench.md'} and {DOCS / 'bench.png'}")


if __name__ == "__main__":
    main()
