s = 0
i = 0
while i < 10000000:
    s += i
    i += 1
print(repr(float(s)))
