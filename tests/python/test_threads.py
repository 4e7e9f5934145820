import threading
import time

from tavric import _tavric as m

SETTING = b"$2b$11$" + b"abcdefghijklmnopqrstuu"


def test_hashing_threads_overlap_and_others_progress():
    expected = m.hashpw(b"pw", SETTING)
    barrier = threading.Barrier(3)
    spans, results = [], []
    lock = threading.Lock()

    def hash_once():
        barrier.wait()
        start = time.monotonic()
        result = m.hashpw(b"pw", SETTING)
        end = time.monotonic()
        with lock:
            spans.append((start, end))
            results.append(result)

    workers = [threading.Thread(target=hash_once) for _ in range(2)]
    for worker in workers:
        worker.start()
    barrier.wait()
    # The computation runs with the interpreter released: this thread keeps
    # running Python code while both hashes are in progress.
    ticks = 0
    while any(worker.is_alive() for worker in workers):
        ticks += 1
    for worker in workers:
        worker.join()

    assert results == [expected, expected]
    (start_a, end_a), (start_b, end_b) = spans
    assert max(start_a, start_b) < min(end_a, end_b), "the two hashes did not run at the same time"
    assert ticks > 1000


def test_threads_get_their_own_errors_and_results():
    outcomes = {}

    def work(index):
        try:
            if index % 2:
                m.hashpw(b"pw", b"bad")
            else:
                outcomes[index] = m.checkpw(b"pw", m.hashpw(b"pw", m.gensalt(4)))
        except ValueError as error:
            outcomes[index] = str(error)

    threads = [threading.Thread(target=work, args=(i,)) for i in range(8)]
    for thread in threads:
        thread.start()
    for thread in threads:
        thread.join()
    assert outcomes == {i: (True if i % 2 == 0 else "Invalid salt") for i in range(8)}
