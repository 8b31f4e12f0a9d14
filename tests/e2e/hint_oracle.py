"""The hint the game must give for a board read off the screen, worked out here on its own:
every one of the 630 exchanges is tried, the lines it forms are cleared and the board falls
(without refilling) until nothing clears, the two queues clash, and the exchange that leaves
the mover the most blocks (then the most empty cells, then the earliest pair) wins."""

SIZE = 6


def _clear_lines(cells, queue):
    marked = set()
    for row in range(SIZE):
        for col in range(SIZE):
            value = cells[row * SIZE + col]
            if value == 0:
                continue
            if row + 2 < SIZE and all(cells[(row + k) * SIZE + col] == value for k in (1, 2)):
                marked.update((row + k) * SIZE + col for k in range(3))
            if col + 2 < SIZE and all(cells[row * SIZE + col + k] == value for k in (1, 2)):
                marked.update(row * SIZE + col + k for k in range(3))
    # Bottom row first, left to right within a row.
    for row in reversed(range(SIZE)):
        for col in range(SIZE):
            index = row * SIZE + col
            if index in marked:
                queue.append(cells[index])
                cells[index] = 0
    return bool(marked)


def _fall(cells):
    for col in range(SIZE):
        stack = [cells[row * SIZE + col] for row in range(SIZE) if cells[row * SIZE + col]]
        stack = [0] * (SIZE - len(stack)) + stack
        for row in range(SIZE):
            cells[row * SIZE + col] = stack[row]


def _overcomes(x, y):
    return (y - x + 5) % 5 == 1


def _clash(first, second):
    while first and second:
        a, b = first[-1], second[-1]
        if a >= 6 or b >= 6:
            first.pop()
            second.pop()
        elif _overcomes(b, a):
            first.pop()
        elif _overcomes(a, b):
            second.pop()
        else:
            first.pop()
            second.pop()


def lines_after_swap(cells, i, j):
    """True when exchanging cells i and j forms at least one line of three."""
    scratch = list(cells)
    scratch[i], scratch[j] = scratch[j], scratch[i]
    return _clear_lines(scratch, [])


def best_hint(cells, mover=0, queues=((), ())):
    """The text of the hint box, "(c,r)-(c,r)" counted from 1, for the mover on this board."""
    best_score, best_empty, best_pair = -256, 0, None
    for i in range(SIZE * SIZE - 1):
        for j in range(i + 1, SIZE * SIZE):
            scratch = list(cells)
            own = [list(queues[0]), list(queues[1])]
            scratch[i], scratch[j] = scratch[j], scratch[i]
            while _clear_lines(scratch, own[mover]):
                _fall(scratch)
            _clash(own[0], own[1])
            empty = scratch.count(0)
            score = len(own[mover]) - len(own[1 - mover])
            if score > best_score or (score == best_score and empty > best_empty):
                best_score, best_empty, best_pair = score, empty, (i, j)
    if best_pair is None:
        return None
    i, j = best_pair
    return "(%d,%d)-(%d,%d)" % (i % SIZE + 1, i // SIZE + 1, j % SIZE + 1, j // SIZE + 1)
