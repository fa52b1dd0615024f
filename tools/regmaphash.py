"""Where the register-map generator puts each id: a collision-free hash that
the engine's lookup (driver/regaccess/RegisterMapEngine.h, findItem)
computes the same way, so that every lookup is one hash and two loads."""


def hash_key(key, seed):
    """As hashKey in RegisterMapDescriptor.h."""
    return ((key ^ seed) & 0xFFFFFFFF) * 0x9E3779B97F4A7C15 & 0xFFFFFFFFFFFFFFFF


def place(ids):
    """A collision-free placement of the ids in slots at most 80% full: the
    top bits of the hash pick a bucket, and each bucket (the fullest first)
    gets the seed that XORs its ids' slot bits into free slots.

    The hash is linear in the id, so two ids that differ only above the
    bits a seed reaches keep one slot distance whatever the bucket seed;
    when such a pair shares a bucket and a slot under every seed, a table
    of twice the slots (its slot bits reach one bit further) separates them."""
    slot_bits = max(1, (max(1, -(-len(ids) * 5 // 4)) - 1).bit_length())
    bucket_bits = max(1, (max(1, (len(ids) + 1) // 2) - 1).bit_length())
    for extra in range(4):
        placed = place_in(ids, slot_bits + extra, bucket_bits)
        if placed is not None:
            return placed
    return None


def place_in(ids, slot_bits, bucket_bits):
    slots = 1 << slot_bits
    for bucket_seed in range(1, 1000):
        buckets = {}
        for key in ids:
            hashed = hash_key(key, bucket_seed)
            buckets.setdefault(hashed >> (64 - bucket_bits), []).append(((hashed >> 32) & (slots - 1), key))
        if any(len({s for s, _ in keys}) != len(keys) for keys in buckets.values()):
            continue
        seeds, taken = [0] * (1 << bucket_bits), {}
        for bucket, keys in sorted(buckets.items(), key=lambda entry: (-len(entry[1]), entry[0])):
            for seed in range(slots):
                if not any((s ^ seed) in taken for s, _ in keys):
                    break
            else:
                break
            seeds[bucket] = seed
            taken.update(((s ^ seed), key) for s, key in keys)
        else:
            return bucket_seed, bucket_bits, slot_bits, seeds, taken
    return None
