"""A generated netlist for the board checks: modules of a few parts, chained, and a ground net."""
import random


def generated_netlist(parts, seed=7):
    """Modules of a few parts joined by local nets, each joined to the next, and a ground net
    over all."""
    shapes = [("R", "0603", 2), ("C", "0603", 2), ("U", "SO-8", 8), ("D", "LED-3MM", 2),
              ("X", "HEADER/2X3", 6), ("Q", "SOT-23-R", 3)]
    pads = {"SO-8": [f"P${n}" for n in range(1, 9)], "LED-3MM": ["A", "C"]}
    chance = random.Random(seed)
    components, free, nets = [], {}, []
    for k in range(1, parts + 1):
        prefix, package, count = chance.choice(shapes)
        name = f"{prefix}{k}"
        components.append((name, package))
        free[name] = list(pads.get(package, [str(n) for n in range(1, count + 1)]))
        chance.shuffle(free[name])
    for start in range(0, parts, 6):
        module = [c for c, _ in components[start:start + 6]]
        for _ in range(5):
            members = [m for m in chance.sample(module, min(len(module), 3)) if free[m]]
            if len(members) >= 2:
                nets.append([f"{m}-{free[m].pop()}" for m in members])
        if start + 6 < parts and free[module[-1]] and free[components[start + 6][0]]:
            nets.append([f"{module[-1]}-{free[module[-1]].pop()}",
                         f"{components[start + 6][0]}-{free[components[start + 6][0]].pop()}"])
    ground = [f"{c}-{free[c].pop()}" for c, _ in components if free[c]]
    text = "".join(f"[\r\n{c}\r\n{p}\r\nV\r\n\r\n\r\n\r\n]\r\n" for c, p in components)
    for i, nodes in enumerate(nets + [ground]):
        text += f"(\r\nN{i}\r\n" + "".join(n + "\r\n" for n in nodes) + ")\r\n"
    return text
