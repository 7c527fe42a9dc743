a = [i * 0.5 for i in range(1000000)]
s = 0.0
for x in a:
    s += x
print(repr(s))
