t = ""
for i in range(100000):
    t += "x"
print(repr(float(len(t))))
